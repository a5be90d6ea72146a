// Rules typed in an encoding of their own (--rules-encoding).
//
// A user whose terminal writes UTF-8 may edit a Shift_JIS file: the texts
// of -r, -e, -t and -b are then taken in the encoding the user names and
// converted to the input's before the rules are compiled. A rule file (-R)
// is text of its own, not typed on this command line, and is left as it is.
// Conversion goes through the library's transcode (the system's converter).
#ifndef QUORL_DRIVER_RULES_ENCODING_H
#define QUORL_DRIVER_RULES_ENCODING_H

#include <string>
#include <vector>

#include "quorl/quorl.h"

namespace quorl {

// convert_rule_texts: the specifications (those whose from_rule_file entry
// is false; a missing entry counts as false), the template, the separator
// and the brackets of *rules converted from the encoding named from_name
// to to. False when one cannot be: *bad_text is then that text as given.
// An unknown from_name is reported the same way with *bad_text empty.
bool convert_rule_texts(RuleOptions* rules, const std::vector<bool>& from_rule_file, const char* from_name,
                        Encoding to, std::string* bad_text);

// take_rules_encoding: convert_rule_texts from the encoding name (nothing
// when it is null, or where the system hands quorl its arguments in the
// input's encoding already: Windows), ending the run with a message naming the name or the
// text that cannot be converted.
void take_rules_encoding(const char* name, const std::vector<bool>& from_rule_file, RuleOptions* rules);

}  // namespace quorl

#endif
