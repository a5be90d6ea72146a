// Faults found by fuzzing the engine, pinned.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replace/matcher.h"
#include "replace/spec.h"
#include "support/exit.h"

namespace quorl {
namespace {

struct Ended {
  int status;
};

void throw_ended(int status) { throw Ended{status}; }

// An item ended by a fatal template while its captures still referred to the
// caller's line left them pointing there: once the caller reused or freed
// the line, the next item read it (a use after free under the fuzzer).
TEST(EngineFuzzRegression, EndedItemLeavesNoCaptureInTheCallersLine) {
  struct Case {
    const char* spec;
    const char* line;
    Capture* capture;  // what the match wrote before the template failed
  };
  const Case cases[] = {
      {"a:$q", "xa", &from_arg},
      {"$d:[$d$q]", "x12", &arg_d},
      {"$d:[$d$q]", "x12", &from_arg},
      {"$a-$A:$$$", "ab-CD", &arg_A},
      {"$s:<$", "k \t v", &arg_s},
  };
  exit_hook = throw_ended;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.spec) + " on " + c.line);
    clear_captures();
    std::vector<char> line(c.line, c.line + std::char_traits<char>::length(c.line) + 1);
    int status = -1;
    try {
      apply_replace(c.spec, line.data());
    } catch (const Ended& e) {
      status = e.status;
    }
    EXPECT_EQ(status, 1);
    // The caller now reuses its line; the capture must not see that.
    for (size_t i = 0; i + 1 < line.size(); ++i) line[i] = 'z';
    EXPECT_EQ(std::string(c.capture->str()).find('z'), std::string::npos);
  }
  exit_hook = nullptr;
}

}  // namespace
}  // namespace quorl
