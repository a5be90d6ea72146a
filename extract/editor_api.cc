// The C++ API of include/quorl/quorl.h: Rules and Editor over the pipeline.
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "extract/pipeline.h"
#include "quorl/quorl.h"
#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

Rules::Rules(const RuleOptions& options) {
  auto set = std::make_shared<RuleSet>();
  FieldSyntax syntax;
  syntax.enc = options.encoding;
  syntax.sep = delim_of(options.separator.c_str(), syntax.enc);
  if (!options.brackets.empty() &&
      !brackets_of(options.brackets.c_str(), syntax.enc, &syntax.open, &syntax.close))
    throw std::invalid_argument("\"-b" + options.brackets + "\": bad parameter");
  // A text given again is applied once, at its first place.
  std::unordered_set<std::string_view> seen;
  std::vector<const char*> specs;
  for (const std::string& spec : options.specs)
    if (seen.insert(std::string_view(spec.c_str())).second) specs.push_back(spec.c_str());
  compile_rules(specs.data(), specs.size(), syntax,
                options.extract ? options.extract->c_str() : nullptr, set.get());
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
  // The engine takes NUL-terminated text: a NUL inside would cut the line
  // silently.
  if (line.find('\0') != std::string_view::npos) {
    ed.fail(Fault::nul_byte, "a line holds a NUL byte\n");
    out.error = std::string_view(ed.error.data, ed.error.len);
    return out;
  }
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
    const std::string size = std::to_string(e.size);
    ed.fail(Fault::memory, "cannot get the memory of %s bytes\n", size.c_str());
  } catch (const std::bad_alloc&) {
    ed.fail(Fault::memory, "cannot get memory\n");
  }
  out.error = std::string_view(ed.error.data, ed.error.len);
  return out;
}

}  // namespace quorl
