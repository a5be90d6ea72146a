#include "driver/rules_encoding.h"

#include <utility>

#include "platform/platform.h"
#include "support/encoding.h"
#include "support/errors.h"
#include "support/exit.h"
#include "support/transcode.h"

namespace quorl {

namespace {

// convert_text: *text converted in place; false (text left) when it
// cannot be.
bool convert_text(std::string* text, const char* from, const char* to) {
  std::string converted;
  if (!transcode(*text, from, to, &converted)) return false;
  *text = std::move(converted);
  return true;
}

}  // namespace

bool convert_rule_texts(RuleOptions* rules, const std::vector<bool>& from_rule_file, const char* from_name,
                        Encoding to, std::string* bad_text) {
  const char* target = encoding_name(to);
  bad_text->clear();
  if (!Transcoder(from_name, target).ok()) return false;
  for (size_t k = 0; k < rules->specs.size(); ++k) {
    if (k < from_rule_file.size() && from_rule_file[k]) continue;
    if (!convert_text(&rules->specs[k], from_name, target)) return (*bad_text = rules->specs[k]), false;
  }
  for (std::string* text : {&rules->separator, &rules->brackets}) {
    if (!convert_text(text, from_name, target)) return (*bad_text = *text), false;
  }
  if (rules->extract && !convert_text(&*rules->extract, from_name, target)) return (*bad_text = *rules->extract), false;
  return true;
}

void take_rules_encoding(const char* name, const std::vector<bool>& from_rule_file, RuleOptions* rules) {
  // Where the command line comes already converted to the input's
  // encoding, the rules typed on it are in that encoding too.
  if (name == nullptr || platform::kArgumentsInText) return;
  std::string bad;
  if (rules->encoding == Encoding::bytes) {
    report("\"--rules-encoding=%s\": the input's encoding is needed, not bytes\n", name);
    end_process(1);
  }
  if (convert_rule_texts(rules, from_rule_file, name, rules->encoding, &bad)) return;
  if (bad.empty()) {
    report("\"%s\": unknown encoding\n", name);
  } else {
    report("\"%s\": cannot be converted from %s to %s\n", bad.c_str(), name, encoding_name(rules->encoding));
  }
  end_process(1);
}

}  // namespace quorl
