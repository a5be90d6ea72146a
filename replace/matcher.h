// The pattern matcher. (Interim: being built.)
#ifndef QUORL_REPLACE_MATCHER_H
#define QUORL_REPLACE_MATCHER_H

namespace quorl {

// clear_captures: empties the nine class capture buffers.
void clear_captures();

}  // namespace quorl

#endif
