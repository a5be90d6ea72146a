// An editor of the test's own, and the engine's steps taken one call at a
// time through it: each text is compiled anew at every call.
#ifndef QUORL_TESTS_REPLACE_TEST_EDITOR_H
#define QUORL_TESTS_REPLACE_TEST_EDITOR_H

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "replace/applier.h"
#include "replace/spec.h"

namespace quorl {

struct TestEditor {
  EditorState ed;
  FieldSyntax syntax;
  CompiledSpec spec;
  Item item;
  Program prog;

  // cap: the capture of the element $<name>; '=' is the whole match.
  Capture& cap(char name) {
    static const char kSlots[] = "AasdDfxgc";
    const char* at = name == '=' ? nullptr : std::strchr(kSlots, name);
    return ed.caps.slot[at == nullptr ? static_cast<ptrdiff_t>(CAP_WHOLE) : at - kSlots];
  }

  // replace: the line (*len bytes, or measured) edited by the specification
  // text; null after a fault, whose message is in ed.error.
  char* replace(const char* text, const char* line, size_t* len = nullptr) {
    size_t n = UNKNOWN_LEN;
    compile_spec(text, &spec, syntax.enc);
    return apply_spec(spec, syntax, ed, line, len != nullptr ? len : &n);
  }

  // replace_item: the line edited by the one item from:to.
  char* replace_item(const char* line, const char* from, const char* to) {
    size_t n = UNKNOWN_LEN;
    for (auto [buf, s] : {std::pair{&item.from, from}, std::pair{&item.to, to}}) {
      buf->clear();
      buf->append(s, std::strlen(s));
      buf->terminate();
    }
    ready_item(&item, syntax.enc);
    return apply_item(item, syntax, ed, line, &n);
  }

  // match: the end of the match of pattern at p, or null; start is the
  // first byte of the scanned text; db as for match_program.
  const char* match(const char* start, const char* p, const char* pattern, int db) {
    compile_pattern(pattern, &prog, syntax.enc);
    Scan scan = begin_scan(prog, ed, start, start, nullptr);
    return match_program(&scan, p, db);
  }
};

// EngineTest: a test with an editor of its own.
class EngineTest : public ::testing::Test, public TestEditor {};

}  // namespace quorl

#endif
