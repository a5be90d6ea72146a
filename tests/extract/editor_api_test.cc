// The C++ API: a rule set compiled once, edited through editors, faults as
// values; and one rule set shared by several threads, each with its own
// editor, giving exactly what one editor gives alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "quorl/quorl.h"

namespace quorl {
namespace {

std::string outcome(Editor& editor, const std::string& line) {
  const Edited e = editor.edit(line);
  return e ? std::string(e.text) : "error: " + std::string(e.error);
}

RuleOptions rules_of(std::vector<std::string> specs, std::string sep = "", std::string brackets = "",
                     std::optional<std::string> extract = std::nullopt,
                     Encoding enc = Encoding::sjis) {
  return RuleOptions{std::move(specs), std::move(sep), std::move(brackets), std::move(extract), enc};
}

// ---- Round trip: each line through a fresh editor, in order ----
TEST(EditorApi, EditsAndFaultsAsTheCommandLine) {
  struct Case {
    const char* name;
    RuleOptions options;
    std::vector<std::string> lines;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"captures carry over lines", rules_of({"n$d:<$d>", "x:[$d]"}), {"n5", "x"}, {"<5>", "[5]"}},
      {"a repeated rule is applied once", rules_of({"a:aa", "a:aa"}), {"a"}, {"aa"}},
      {"field and brackets", rules_of({"(2)b:B"}, ",", "\"\""), {"b,\"b,b\",b"}, {"b,\"B,B\",b"}},
      {"-t\\t is the tab, as on the command line", rules_of({"(2)b:B"}, "\\t"), {"b\tb\\b"}, {"b\tB\\B"}},
      {"template", rules_of({}, ",", "", "$2-$1"), {"a,b,c"}, {"b-a"}},
      {"Shift_JIS stays whole", rules_of({"\x83\x65:T"}), {"\x83\x65\x83\x58"}, {"T\x83\x58"}},
      {"bad item after a good one", rules_of({"a:b,c"}), {"a"}, {"error: \"a:b,c\": bad <replace>\n"}},
      {"field number 0", rules_of({"(0)a:b"}), {"a"}, {"error: \"(0)a\": bad <replace>\n"}},
      {"bad <to> only at a match", rules_of({"q:$z"}), {"abc", "q"},
       {"abc", "error: illegal \"-r <replace>\" parameter: $z\n"}},
      {"bad template", rules_of({}, "", "", "$x"), {"a"}, {"error: illegal \"-e <extract>\" parameter"}},
      {"a NUL byte is never cut off silently", rules_of({"z:y"}), {std::string("h\0e", 3), "b"},
       {"error: a line holds a NUL byte\n", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Editor editor{Rules(c.options)};
    for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(outcome(editor, c.lines[i]), c.want[i]);
  }
}

// ---- Many lines: a buffer, a stream read in pieces of any size, a check ----
TEST(EditorApi, ManyLinesAsTheCommandLineCutsThem) {
  struct Case {
    const char* name;
    std::string text;
    bool crlf;
    std::string want;  // what the sink got, then "|", then ok or the error
  };
  const Case cases[] = {
      {"lines and a last one without newline", "ab\n\nba", false, "Xb\n\nbX\n|ok"},
      {"CR LF kept with crlf, a byte without", "a\r\na\r\n", true, "X\r\nX\r\n|ok"},
      {"a lone CR is a byte", "a\r", false, "X\r\n|ok"},
      {"the lines before a NUL reach the sink", std::string("a\nb\0c\nd\n", 8), false,
       "X\n|a line holds a NUL byte\n"},
      {"a bad <to> met by the third line", "b\nb\nq\nb\n", false,
       "b\nb\n|illegal \"-r <replace>\" parameter: $z\n"},
  };
  const Rules rules(rules_of({"a:X", "q:$z"}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t piece : {size_t{0}, size_t{1}, size_t{3}}) {  // 0: the whole buffer at once
      Editor editor{rules};
      std::string got;
      const Sink sink = [&](std::string_view b) { return got.append(b), true; };
      size_t at = 0;
      const Read read = [&](char* buf, size_t n) -> long {
        n = std::min({n, piece, c.text.size() - at});
        c.text.copy(buf, n, at);
        at += n;
        return static_cast<long>(n);
      };
      const LinesEdited r = piece == 0 ? edit_lines(editor, c.text, sink, {c.crlf})
                                       : edit_stream(editor, read, sink, {c.crlf});
      got += r ? "|ok" : "|" + std::string(r.error);
      EXPECT_EQ(got, c.want) << "read " << piece << " at a time";
    }
    // A head already read: the rest from a file, or nothing more (the
    // descriptor -1 would be a reading error if it were read).
    for (size_t cut : {size_t{1}, c.text.size()}) {
      Editor editor{rules};
      std::string got;
      FILE* rest = std::tmpfile();
      ASSERT_NE(rest, nullptr);
      std::fwrite(c.text.data() + cut, 1, c.text.size() - cut, rest);
      std::rewind(rest);
      const StreamHead head{std::string_view(c.text).substr(0, cut), cut == c.text.size()};
      const LinesEdited r = edit_stream(editor, head.ended ? -1 : fileno(rest), head,
                                        [&](std::string_view b) { return got.append(b), true; }, {c.crlf});
      std::fclose(rest);
      got += r ? "|ok" : "|" + std::string(r.error);
      EXPECT_EQ(got, c.want) << "a head of " << cut;
    }
  }
  Editor editor{rules};
  EXPECT_EQ(edit_stream(editor, -1, [](std::string_view) { return true; }).error, "reading error\n");
  EXPECT_EQ(edit_lines(editor, "a\n", [](std::string_view) { return false; }).error, "the sink stopped\n");
}

TEST(EditorApi, CheckFindsInvalidSequencesByLineAndColumn) {
  auto found = [](std::string_view text, Encoding enc) {
    std::string out;
    for (const InvalidSequence& s : check(text, enc))
      out += std::to_string(s.line) + ":" + std::to_string(s.column) + ":" + std::to_string(s.bytes.size()) + " ";
    return out;
  };
  EXPECT_EQ(found("a\x80\n\x82\xa0ok\n\x83", Encoding::sjis), "1:2:1 3:1:1 ");
  EXPECT_EQ(found("\xe3\x81\n\xe3\x81\x82\xff", Encoding::utf8), "1:1:2 2:4:1 ");
  EXPECT_EQ(found("\x80\xff", Encoding::bytes), "");
}

// ---- Faults known as the rules are built, and met by the same edit as before ----
TEST(EditorApi, RulesTellTheirFirstFaultWhenBuilt) {
  struct Case {
    const char* name;
    RuleOptions options;
    ErrorCode code;
    const char* message;
    int spec, item;
    size_t offset;
    const char* meets;  // a line whose edit meets the fault: same code, same message
  };
  const char* const bad_template = "illegal \"-e <extract>\" parameter";
  const Case cases[] = {
      {"good rules", rules_of({"a:b", "(2)$d:<$$>"}, ",", "[]", "$2"), ErrorCode::none, "", -1, -1, 0,
       nullptr},
      {"bad <to> met by no line yet", rules_of({"a:$9"}), ErrorCode::bad_to,
       "illegal \"-r <replace>\" parameter: $9\n", 0, 0, 2, "xa"},
      {"bad item at the end", rules_of({"x:y", "a:b,c"}), ErrorCode::bad_item,
       "\"a:b,c\": bad <replace>\n", 1, 1, 4, "q"},
      {"field number 0, after a text given twice", rules_of({"a:b", "a:b", "(0)q:r"}),
       ErrorCode::bad_item, "\"(0)q\": bad <replace>\n", 2, 0, 0, "q"},
      {"bad <to> before a bad item, after colons and an escape", rules_of({"p:x,q:y:\\$$z,r"}),
       ErrorCode::bad_to, "illegal \"-r <replace>\" parameter: \\$$z\n", 0, 1, 10, "q"},
      {"a second byte 0x5C escapes nothing", rules_of({"\x83\x65:\x95\x5c$q"}), ErrorCode::bad_to,
       "illegal \"-r <replace>\" parameter: \x95\x5c$q\n", 0, 0, 5, "\x83\x65"},
      {"bad template", rules_of({"a:b"}, "", "", "$1-$x"), ErrorCode::bad_template, bad_template, -1,
       -1, 3, "a"},
      {"a bad specification comes before the template", rules_of({"zz"}, "", "", "$x"),
       ErrorCode::bad_item, "\"zz\": bad <replace>\n", 0, 0, 0, "a"},
      {"bad brackets come first and refuse every edit", rules_of({"zz"}, "", "abc"),
       ErrorCode::bad_brackets, "\"-babc\": bad parameter\n", -1, -1, 0, "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rules rules(c.options);
    EXPECT_EQ(rules.ok(), c.code == ErrorCode::none);
    EXPECT_EQ(rules.error_code(), c.code);
    const RuleError& e = rules.error();
    EXPECT_EQ(e.message, c.message);
    EXPECT_EQ(e.spec, c.spec);
    EXPECT_EQ(e.item, c.item);
    EXPECT_EQ(e.offset, c.offset);
    if (c.meets == nullptr) continue;
    Editor editor{rules};
    const Edited out = editor.edit(c.meets);
    EXPECT_FALSE(out);
    EXPECT_EQ(out.code, c.code);
    EXPECT_EQ(out.error, c.message);
  }
}

// ---- Threads: one Rules, an Editor per thread ----
TEST(EditorApi, ThreadsSharingRulesGiveTheSerialResults) {
  RuleOptions options;
  options.specs = {"$d:<$d>", "(2)$a:$u", "($a)x:$l$a", "the:THE,\x83\x65:$$$$", "q:$d$x"};
  options.separator = ",";
  options.brackets = "\"\"";
  options.extract = "$3|$1|$$";
  const Rules rules(options);
  std::vector<std::string> lines;
  for (int i = 0; i < 2000; ++i)
    lines.push_back("the" + std::to_string(i * 7919 % 1000) + ",ab\"c,d\"x,q" +
                    (i % 3 == 0 ? "\x83\x65" : "Zx") + "," + std::to_string(i) + "q");
  std::vector<std::string> serial;
  Editor one{rules};
  for (const std::string& line : lines) serial.push_back(outcome(one, line));

  constexpr int kThreads = 4;
  std::vector<std::vector<std::string>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      Editor editor{rules};
      for (const std::string& line : lines) got[t].push_back(outcome(editor, line));
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(got[t], serial) << "thread " << t;
}

}  // namespace
}  // namespace quorl
