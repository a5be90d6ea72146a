// What the library's own line loops (and its tests) need of a public
// quorl::Editor beyond its edit(): the compiled rules, the rules' first
// fault and the editor's state, to edit a reader's lines in place without
// a copy.
#ifndef QUORL_EXTRACT_EDITOR_ACCESS_H
#define QUORL_EXTRACT_EDITOR_ACCESS_H

#include "extract/pipeline.h"
#include "quorl/quorl.h"

namespace quorl {

struct EditorAccess {
  static const RuleSet& rules(const Editor& e) { return *e.rules_.set_; }
  static const RuleError& error(const Editor& e) { return e.rules_.error_; }
  static EditorState& state(Editor& e) { return *e.state_; }
};

}  // namespace quorl

#endif
