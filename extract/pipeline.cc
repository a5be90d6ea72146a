#include "extract/pipeline.h"

#include "support/errors.h"

namespace quorl {

void compile_rules(const char* const* specs, size_t count, const FieldSyntax& syntax,
                   const char* templ, RuleSet* out) {
  out->specs.resize(count);
  out->syntax = syntax;
  for (size_t k = 0; k < count; ++k) compile_spec(specs[k], &out->specs[k], syntax.enc);
  out->has_template = templ != nullptr;
  if (templ != nullptr) compile_template(templ, &out->templ);
  // CSV records are gathered line by line, which a run of lines would pass by.
  out->whole_lines = !syntax.csv && (!out->has_template || (!out->templ.bad && lines_extractable(syntax)));
  const char sep = syntax.sep.bytes[0];
  out->csv_records = syntax.csv && count == 0 && templ != nullptr && !out->templ.bad && sep != '"' &&
                     sep != '\n' && sep != '\r';
  out->lines_independent = true;
  for (const CompiledSpec& spec : out->specs) {
    if (!spec.whole_lines) out->whole_lines = false;
    for (const Item& item : spec.items)
      if (!inserts_own_captures(item)) out->lines_independent = false;
  }
}

RuleFault first_fault(const RuleSet& rules, ByteBuf* message) {
  RuleFault fault;
  message->clear();
  for (size_t k = 0; k < rules.specs.size(); ++k) {
    const CompiledSpec& spec = rules.specs[k];
    if (spec.fault == ErrorCode::none) continue;
    fault = RuleFault{spec.fault, static_cast<int>(k), spec.fault_item, spec.fault_at};
    const size_t item = static_cast<size_t>(spec.fault_item);
    if (item == spec.items.size())  // the bad item that ends the specification
      format_message(message, BAD_REPLACE, spec.text.data);
    else if (spec.fault == ErrorCode::bad_to)
      format_message(message, BAD_TO, spec.items[item].to.data);
    else
      format_message(message, BAD_REPLACE, spec.items[item].from.data);
    return fault;
  }
  if (rules.has_template && rules.templ.bad) {
    fault = RuleFault{ErrorCode::bad_template, -1, -1, static_cast<size_t>(rules.templ.bad_at)};
    format_message(message, BAD_TEMPLATE);
  }
  return fault;
}

char* edit_rules(const RuleSet& rules, EditorState& ed, char* line, size_t* len) {
  char* text = line;
  for (const CompiledSpec& spec : rules.specs) {
    text = apply_spec(spec, rules.syntax, ed, text, len);
    if (text == nullptr) return nullptr;
  }
  if (rules.has_template) text = extract_with(rules.templ, rules.syntax, ed, text, len);
  return text;
}

const char* edit_run(const RuleSet& rules, EditorState& ed, const char* run, size_t* n) {
  const char* text = run;
  ed.lines_end.start();
  for (const CompiledSpec& spec : rules.specs) {
    text = replace_lines(spec, text, n, ed.lines, &ed.lines_end);
    if (text == nullptr) return nullptr;
  }
  if (rules.has_template) {
    ByteBuf* out = &ed.lines[text == ed.lines[0].data ? 1 : 0];
    *n = extract_lines(rules.templ, rules.syntax, ed, text, *n, out, LINES_CAP);
    if (*n == UNKNOWN_LEN) return nullptr;
    text = out->data;
  }
  apply_from_arg_end(ed.lines_end, &ed.caps);
  return text;
}

}  // namespace quorl
