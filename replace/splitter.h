// Replacement specifications. (Interim: the engine is being built; until it
// lands a specification leaves the line as it is.)
#ifndef QUORL_REPLACE_SPLITTER_H
#define QUORL_REPLACE_SPLITTER_H

namespace quorl {

// apply_replace: the line edited by every item of spec, or null after a
// message. The result stays valid until the next call into the engine.
char* apply_replace(const char* spec, const char* line);

}  // namespace quorl

#endif
