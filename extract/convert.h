// The single-call entry: convert_str and its word splitter get_csvword.
//
// The operations themselves are declared in quorl/classic.h, so that the
// library's users and its own code see one declaration. This header adds the
// module's buffers: conv_buf holds the specification built by the latest
// convert_str, csvword_buf the word split off last. Both are fixed, live as
// long as the process and are overwritten by every call.
//
// For pairs (f1, t1) ... (fk, tk) the specification reads "f1:t1,f2:t2,..."
// with every item ending in a comma, or "(f1):t1,(f2):t2,..." for whole
// words. The length tests count only the words; conv_buf has room for the
// parentheses, colons and commas around them.
#ifndef QUORL_EXTRACT_CONVERT_H
#define QUORL_EXTRACT_CONVERT_H

#include "quorl/classic.h"

namespace quorl {

constexpr int CONV_BUF_SIZE = 8192;

extern char conv_buf[CONV_BUF_SIZE];
extern char csvword_buf[CSVWORD_MAX + 1];

}  // namespace quorl

#endif
