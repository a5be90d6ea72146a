// The C++ API of include/quorl/quorl.h: Rules and Editor over the pipeline.
#include <new>
#include <utility>

#include "extract/pipeline.h"
#include "quorl/quorl.h"
#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

Rules::Rules(const RuleOptions& options) {
  auto set = std::make_shared<RuleSet>();
  const FieldSyntax syntax{options.separator, options.open_bracket, options.close_bracket};
  compile_rules(options.specs, syntax, options.extract ? options.extract->c_str() : nullptr,
                set.get());
  set_ = std::move(set);
}

Editor::Editor(Rules rules) : rules_(std::move(rules)), state_(std::make_unique<EditorState>()) {}
Editor::~Editor() = default;
Editor::Editor(Editor&&) noexcept = default;
Editor& Editor::operator=(Editor&&) noexcept = default;

Edited Editor::edit(std::string_view line) {
  EditorState& ed = *state_;
  Edited out;
  // A request for memory that fails comes back here instead of ending the
  // process.
  ThrowOnExhaustion throws;
  try {
    // The engine edits NUL-terminated text and may cut it in place.
    ByteBuf& input = ed.lines[0];
    input.clear();
    input.append(line.data(), line.size());
    char* text = input.terminate();
    size_t len = UNKNOWN_LEN;
    text = edit_rules(*rules_.set_, ed, text, &len);
    if (text != nullptr) {
      out.ok = true;
      out.text = std::string_view(text, len == UNKNOWN_LEN ? std::char_traits<char>::length(text) : len);
      return out;
    }
  } catch (const MemoryExhausted& e) {
    ed.fail(Fault::memory, format_message("cannot get the memory of %d bytes\n", static_cast<int>(e.size)));
  } catch (const std::bad_alloc&) {
    ed.fail(Fault::memory, "cannot get memory\n");
  }
  out.error = ed.error;
  return out;
}

}  // namespace quorl
