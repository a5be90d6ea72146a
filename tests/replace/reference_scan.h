// The scan of one item done the slow, obvious way, for checking the real one.
#ifndef QUORL_TESTS_REPLACE_REFERENCE_SCAN_H
#define QUORL_TESTS_REPLACE_REFERENCE_SCAN_H

#include <string>
#include <vector>

#include "replace/builder.h"
#include "replace/matcher.h"
#include "support/sjis.h"

namespace quorl {

// reference_scan: pattern replaced by to in line by trying checkstr at every
// character, without any shortcut; what the real scan must produce, whatever
// it skips. Leaves the captures as it goes, settled.
inline std::string reference_scan(const std::string& pattern, const std::string& to,
                                  const std::string& line) {
  const char* s = line.c_str();
  const char* p = s;
  int db = 0;
  std::string out;
  while (*p != '\0') {
    const char* m = checkstr(s, p, pattern.c_str(), db);
    if (m != nullptr) {
      const int len = static_cast<int>(m - p);
      std::vector<char> buf(to_string_size(to.c_str(), len) + 1);
      const int n = make_to_string(p, buf.data(), to.c_str(), len, static_cast<int>(to.size()));
      out.append(buf.data(), static_cast<size_t>(n));
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
  settle_captures();
  return out;
}

}  // namespace quorl

#endif
