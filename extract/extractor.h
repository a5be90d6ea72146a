// Field extraction. (Interim: being built; until it lands the line is
// printed as it is.)
#ifndef QUORL_EXTRACT_EXTRACTOR_H
#define QUORL_EXTRACT_EXTRACTOR_H

namespace quorl {

// extract_fields: the output line built from templ and the fields of line,
// which it cuts in place.
char* extract_fields(const char* templ, char* line);

}  // namespace quorl

#endif
