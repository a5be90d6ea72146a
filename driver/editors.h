// The editors of a run, one for each encoding its inputs are in.
//
// With a fixed encoding every input is edited by one editor, built from the
// rules as typed (or, with --rules-encoding, from their texts converted to
// the input's encoding once). With --encoding=auto the encoding of each
// input is guessed on its own, and the rules are built for it: the texts of
// -r, -e, -t and -b, typed in the rules' encoding (--rules-encoding, else
// the locale's codeset), and those of each rule file, in the encoding
// guessed for that file, are converted to the input's. Inputs in the same
// encoding share an editor, so captured text carries over between them as
// from line to line; a text that cannot be converted ends the run, named.
#ifndef QUORL_DRIVER_EDITORS_H
#define QUORL_DRIVER_EDITORS_H

#include <memory>
#include <string>
#include <vector>

#include "quorl/quorl.h"

namespace quorl {

// RuleTexts: the rules as read from the command line.
struct RuleTexts {
  // The rules; rules.encoding is the encoding the typed texts are read in
  // (the input's when it is fixed).
  RuleOptions rules;
  // For each of rules.specs, the encoding its text is in, when it came from
  // a rule file read in an encoding of its own; empty: typed.
  std::vector<std::string> spec_sources;
  // The encoding the typed texts are in, as iconv names it; null: the
  // input's, so nothing is converted.
  const char* typed = nullptr;
  // --encoding=auto: each input's encoding is guessed.
  bool guess = false;
};

class Editors {
 public:
  explicit Editors(const RuleTexts& texts) : texts_(texts) {}

  // for_input: the editor for an input in enc, built the first time.
  Editor& for_input(Encoding enc);

  // for_ascii: the encoding an input of ASCII text alone is edited in: the
  // one the rules are typed in, when quorl knows it.
  Encoding for_ascii() const;

 private:
  const RuleTexts& texts_;
  std::unique_ptr<Editor> editors_[4];
};

}  // namespace quorl

#endif
