// Faults found by fuzzing the engine, pinned.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replace/test_editor.h"

namespace quorl {
namespace {

using EngineFuzzRegression = EngineTest;

// An item stopped by a bad template while its captures still referred to the
// caller's line left them pointing there: once the caller reused or freed
// the line, the next item read it (a use after free under the fuzzer).
TEST_F(EngineFuzzRegression, StoppedItemLeavesNoCaptureInTheCallersLine) {
  struct Case {
    const char* spec;
    const char* line;
    char capture;  // what the match wrote before the template failed
  };
  const Case cases[] = {
      {"a:$q", "xa", '='},
      {"$d:[$d$q]", "x12", 'd'},
      {"$d:[$d$q]", "x12", '='},
      {"$a-$A:$$$", "ab-CD", 'A'},
      {"$s:<$", "k \t v", 's'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.spec) + " on " + c.line);
    ed.caps.clear_classes();
    std::vector<char> line(c.line, c.line + std::char_traits<char>::length(c.line) + 1);
    EXPECT_EQ(replace(c.spec, line.data()), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_to);
    // The caller now reuses its line; the capture must not see that.
    for (size_t i = 0; i + 1 < line.size(); ++i) line[i] = 'z';
    EXPECT_EQ(std::string(cap(c.capture).str()).find('z'), std::string::npos);
  }
}

}  // namespace
}  // namespace quorl
