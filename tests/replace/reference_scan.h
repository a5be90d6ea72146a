// The scan of one item done the slow, obvious way, for checking the real one.
#ifndef QUORL_TESTS_REPLACE_REFERENCE_SCAN_H
#define QUORL_TESTS_REPLACE_REFERENCE_SCAN_H

#include <string>
#include <vector>

#include "replace/builder.h"
#include "replace/test_editor.h"
#include "support/sjis.h"

namespace quorl {

// reference_scan: pattern replaced by to in line by trying a match at every
// character, without any shortcut; what the real scan must produce, whatever
// it skips. Leaves t's captures as it goes, settled.
inline std::string reference_scan(TestEditor& t, const std::string& pattern, const std::string& to,
                                  const std::string& line) {
  ToProgram expansion;
  compile_to(to.c_str(), &expansion);
  const char* s = line.c_str();
  const char* p = s;
  int db = 0;
  std::string out;
  while (*p != '\0') {
    const char* m = t.match(s, p, pattern.c_str(), db);
    if (m != nullptr) {
      const size_t len = static_cast<size_t>(m - p);
      std::vector<char> buf(to_program_size(expansion, t.ed.caps, len) + 1);
      out.append(buf.data(), expand_to_program(expansion, t.ed.caps, p, buf.data(), len));
      if (m > p) {
        while (p < m) {
          db = is_double(p) ? 1 : 0;
          p += char_len(p);
        }
        continue;
      }
    }
    db = is_double(p) ? 1 : 0;
    out.append(p, static_cast<size_t>(char_len(p)));
    p += char_len(p);
  }
  t.ed.caps.settle();
  return out;
}

}  // namespace quorl

#endif
