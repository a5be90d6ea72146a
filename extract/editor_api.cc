// The C++ API of include/quorl/quorl.h: Rules and Editor over the pipeline.
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "extract/pipeline.h"
#include "extract/records.h"
#include "quorl/quorl.h"
#include "replace/csv.h"
#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

Rules::Rules(const RuleOptions& options) {
  auto set = std::make_shared<RuleSet>();
  // The engine's own requests for memory fail as the standard library's do.
  ThrowOnExhaustion throws;
  try {
    FieldSyntax syntax;
    syntax.enc = options.encoding;
    syntax.sep = separator_of(options.separator.c_str(), syntax.enc);
    syntax.csv = options.csv;
    if (syntax.csv && syntax.sep.len() == 0) syntax.sep = separator_of(",", syntax.enc);
    ByteBuf message;
    if (!options.brackets.empty() &&
        !brackets_of(options.brackets.c_str(), syntax.enc, &syntax.open, &syntax.close)) {
      // The message of the command line's -b argument.
      format_message(&message, "\"-b%s\": bad parameter\n", options.brackets.c_str());
      error_.code = ErrorCode::bad_brackets;
      error_.message.assign(message.data, message.len);
    }
    // A text given again is applied once, at its first place.
    std::unordered_set<std::string_view> seen;
    std::vector<const char*> specs;
    std::vector<int> place;  // where each one kept stands in options.specs
    for (size_t k = 0; k < options.specs.size(); ++k) {
      const char* spec = options.specs[k].c_str();
      if (!seen.insert(std::string_view(spec)).second) continue;
      specs.push_back(spec);
      place.push_back(static_cast<int>(k));
    }
    compile_rules(specs.data(), specs.size(), syntax,
                  options.extract ? options.extract->c_str() : nullptr, set.get());
    const RuleFault fault = first_fault(*set, &message);
    if (error_.code == ErrorCode::none && fault.kind != ErrorCode::none) {
      error_.code = fault.kind;
      error_.message.assign(message.data, message.len);
      error_.spec = fault.spec < 0 ? -1 : place[static_cast<size_t>(fault.spec)];
      error_.item = fault.item;
      error_.offset = fault.at;
    }
  } catch (const MemoryExhausted&) {
    throw std::bad_alloc();
  }
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
    ed.fail(ErrorCode::nul_byte, kNulMessage);
    out.error = std::string_view(ed.error.data, ed.error.len);
    out.code = ed.fault;
    return out;
  }
  // Rules without the brackets they were asked for edit nothing.
  if (rules_.error_.code == ErrorCode::bad_brackets) {
    out.error = rules_.error_.message;
    out.code = ErrorCode::bad_brackets;
    return out;
  }
  // A line alone is a whole record: one that leaves a quoted field open
  // is cut short, as the end of a file would cut it.
  const RuleSet& set = *rules_.set_;
  if (set.syntax.csv && csv_quoted_after(set.syntax, line.data(), line.size(), false)) {
    ed.error.clear();
    append_printf(&ed.error, UNCLOSED_QUOTE, size_t{1});
    ed.fault = ErrorCode::unclosed_quote;
    out.error = std::string_view(ed.error.data, ed.error.len);
    out.code = ed.fault;
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
    ByteBuf msg;
    exhaustion_message(&msg, e.size);
    ed.fail(ErrorCode::no_memory, "%s", msg.data);
  } catch (const std::bad_alloc&) {
    ed.fail(ErrorCode::no_memory, "cannot get memory\n");
  }
  out.error = std::string_view(ed.error.data, ed.error.len);
  out.code = ed.fault;
  return out;
}

}  // namespace quorl
