// The library's transcode and Transcoder.
#include <string>

#include <gtest/gtest.h>

#include "quorl/quorl.h"

namespace {

using quorl::ErrorCode;

// Windows converts through its own code pages, not iconv.
#if __has_include(<windows.h>)
constexpr bool kWindowsConverter = true;
#else
constexpr bool kWindowsConverter = false;
#endif

// Whole strings: the text, or the fault's place and bytes.
TEST(Transcode, Table) {
  struct Case {
    const char* in;
    const char* from;
    const char* to;
    const char* out;  // the text before a fault, when there is one
    ErrorCode code;
    size_t line, column;
    const char* bytes;
    bool everywhere;  // false: iconv's names and EUC-JP with code page 932's rows, which Windows lacks
  };
  const Case cases[] = {
      {"a\x82\xa0\n\x87\x40", "sjis", "utf-8", "a\xe3\x81\x82\n\xe2\x91\xa0", ErrorCode::none, 0, 0, "", true},
      {"\xe3\x81\x82", "UTF8", "cp932", "\x82\xa0", ErrorCode::none, 0, 0, "", true},
      {"\xa4\xa2\xad\xa1", "euc-jp", "sjis", "\x82\xa0\x87\x40", ErrorCode::none, 0, 0, "", false},
      {"\x1b$B$\"\x1b(B", "ISO-2022-JP", "utf-8", "\xe3\x81\x82", ErrorCode::none, 0, 0, "", false},
      {"ok\nab\x82\xa0", "sjis", "ascii", "ok\nab", ErrorCode::unconvertible, 2, 3, "\x82\xa0", false},
      {"ok\nab\x82\xa0", "sjis", "CP1252", "ok\nab", ErrorCode::unconvertible, 2, 3, "\x82\xa0", true},
      {"x\n\n\x81\x7f", "sjis", "utf-8", "x\n\n", ErrorCode::invalid_sequence, 3, 1, "\x81", true},
      {"ab\xe3\x81", "utf-8", "sjis", "ab", ErrorCode::invalid_sequence, 1, 3, "\xe3\x81", true},
      {"a\x82\xa0", "sjis", "ascii//translit", "a?", ErrorCode::none, 0, 0, "", false},
      {"a", "nope", "utf-8", "", ErrorCode::unknown_encoding, 0, 0, "", true},
      {"a", "sjis", "utf-8//ignore", "", ErrorCode::unknown_encoding, 0, 0, "", true},
      {"a", "bytes", "utf-8", "", ErrorCode::unknown_encoding, 0, 0, "", true},
  };
  for (const Case& c : cases) {
    if (!c.everywhere && kWindowsConverter) continue;
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + c.in);
    std::string out;
    quorl::TranscodeFault fault;
    EXPECT_EQ(quorl::transcode(c.in, c.from, c.to, &out, &fault), c.code == ErrorCode::none);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(fault.code, c.code);
    if (c.code == ErrorCode::none || c.code == ErrorCode::unknown_encoding) continue;
    EXPECT_EQ(fault.line, c.line);
    EXPECT_EQ(fault.column, c.column);
    EXPECT_EQ(fault.bytes, c.bytes);
  }
}

// A stream large enough for the table, written in pieces that cut
// characters in two, comes out as the whole string does, and a fault far
// into it is placed by the lines of every piece before.
TEST(Transcode, StreamInPiecesAsTheWhole) {
  std::string text;
  for (int k = 0; k < 40000; ++k) text += "line \x82\xa0\x87\x40\xb1 " + std::to_string(k) + "\n";
  std::string whole;
  ASSERT_TRUE(quorl::transcode(text, "sjis", "utf-8", &whole));
  for (const char* to : {"utf-8", "euc-jp"}) {
    if (kWindowsConverter && std::string(to) == "euc-jp") continue;  // no row for ① there
    SCOPED_TRACE(to);
    ASSERT_TRUE(quorl::transcode(text, "sjis", to, &whole));
    quorl::Transcoder t("sjis", to);
    std::string pieces;
    const quorl::Sink sink = t.sink([&](std::string_view b) { return pieces.append(b), true; });
    for (size_t at = 0; at < text.size(); at += 7777) ASSERT_TRUE(sink(std::string_view(text).substr(at, 7777)));
    ASSERT_TRUE(t.finish());
    EXPECT_EQ(pieces, whole);
  }
  quorl::Transcoder t("sjis", "utf-8");
  const std::string bad = text + "ab\x81\x7f\n";
  for (size_t at = 0; at < bad.size(); at += 65536)
    if (!t.write(std::string_view(bad).substr(at, 65536), [](std::string_view) { return true; })) break;
  EXPECT_EQ(t.fault().code, ErrorCode::invalid_sequence);
  EXPECT_EQ(t.fault().line, 40001u);
  EXPECT_EQ(t.fault().column, 3u);
  EXPECT_EQ(t.fault().at, text.size() + 2);
}

}  // namespace
