#include "driver/editors.h"

#include <string_view>

#include "support/encoding.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

// same_encoding: whether text named from is already in enc.
bool same_encoding(const char* from, Encoding enc) {
  Encoding named;
  return enc == Encoding::bytes || (parse_encoding(from, &named) && named == enc);
}

// convert_text: *text converted from the encoding from to enc in place; a
// text that cannot be ends the run with a message naming it.
void convert_text(std::string* text, const char* from, Encoding enc) {
  if (same_encoding(from, enc)) return;
  std::string out;
  if (transcode(*text, from, encoding_name(enc), &out)) {
    *text = std::move(out);
    return;
  }
  report("\"%s\": cannot be converted from %s to %s\n", text->c_str(), from, encoding_name(enc));
  end_process(1);
}

}  // namespace

Encoding Editors::for_ascii() const {
  Encoding enc = texts_.rules.encoding;
  return enc == Encoding::bytes ? Encoding::utf8 : enc;
}

Editor& Editors::for_input(Encoding enc) {
  std::unique_ptr<Editor>& slot = editors_[static_cast<int>(enc)];
  if (slot != nullptr) return *slot;
  RuleOptions rules = texts_.rules;
  rules.encoding = enc;
  for (size_t i = 0; i < rules.specs.size(); ++i) {
    const bool from_file = i < texts_.spec_sources.size() && !texts_.spec_sources[i].empty();
    const char* from = from_file ? texts_.spec_sources[i].c_str() : texts_.typed;
    if (from != nullptr) convert_text(&rules.specs[i], from, enc);
  }
  if (texts_.typed != nullptr) {
    if (rules.extract) convert_text(&*rules.extract, texts_.typed, enc);
    convert_text(&rules.separator, texts_.typed, enc);
    convert_text(&rules.brackets, texts_.typed, enc);
  }
  slot = std::make_unique<Editor>(Rules(rules));
  return *slot;
}

}  // namespace quorl
