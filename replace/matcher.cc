#include "replace/matcher.h"

namespace quorl {

void clear_captures() {}

}  // namespace quorl
