#include "support/guess.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/encoding.h"

namespace quorl {

namespace {

// Kind: the kinds of character the readings are scored by.
enum Kind : int {
  ascii, hiragana, katakana, kanji1, kanji2, kanji_u, symbol, alnum, foreign, box,
  latin, halfwidth, rare, supplement, user, unassigned, certain, kKinds
};

// kShares: for each kind, about how often it appears in Japanese text (a
// share of all its characters) and how many characters it holds. kanji_u
// is a kanji read from UTF-8, where the two JIS levels do not show: both
// levels' share, over the kanji that Japanese text draws from. Vendor,
// user-defined and unassigned characters, and any character of another
// script, are rare in Japanese text, and they are what a wrong reading
// makes of it.
struct Share {
  double share;
  double size;
};
constexpr Share kShares[kKinds] = {
    {0.25, 95},      // ascii
    {0.30, 83},      // hiragana (JIS row 4)
    {0.10, 86},      // katakana (row 5)
    {0.20, 2965},    // kanji1: JIS level 1 (rows 16-47)
    {0.01, 3390},    // kanji2: level 2 (rows 48-84)
    {0.21, 6355},    // kanji_u
    {0.08, 200},     // symbol: punctuation and signs (rows 1-2)
    {0.01, 62},      // alnum: full-width digits and letters (row 3)
    {0.005, 114},    // foreign: Greek and Cyrillic (rows 6-7)
    {0.0005, 32},    // box: box drawing (row 8)
    {0.0005, 1900},  // latin: other alphabets, Latin-1
    {0.003, 63},     // halfwidth: half-width katakana
    {0.0005, 1000},  // rare: the NEC and IBM rows, compatibility characters
    {0.0001, 60000}, // supplement: JIS X 0212, CJK extensions, other scripts
    {1e-6, 6000},    // user: user-defined areas, private use
    {1e-7, 1000},    // unassigned cells, C1 controls
    {1, 1},          // certain: a byte order mark
};

// weights: the log of share over size for each kind, computed once.
const std::array<double, kKinds>& weights() {
  static const std::array<double, kKinds> w = [] {
    std::array<double, kKinds> a{};
    for (int k = 0; k < kKinds; ++k) a[k] = std::log(kShares[k].share / kShares[k].size);
    return a;
  }();
  return w;
}

// kUtf8Prior: the log of how much commoner UTF-8 text is than the others,
// before any character is read. It settles a text too short to tell, as a
// lone Greek letter that EUC-JP would read as a kanji.
constexpr double kUtf8Prior = 1.0;

constexpr bool in(int c, int lo, int hi) { return c >= lo && c <= hi; }

// jis_kind: the kind of the double-byte character at row and cell (both
// from 1) of the Shift_JIS code space; rows above 94 are code page 932's
// lead bytes 0xF0-0xFC.
Kind jis_kind(int row, int cell) {
  switch (row) {
    case 1: return symbol;
    case 2:
      return cell <= 14 || in(cell, 26, 33) || in(cell, 42, 48) || in(cell, 60, 74) || in(cell, 82, 89) || cell == 94
                 ? symbol
                 : unassigned;
    case 3: return in(cell, 16, 25) || in(cell, 33, 58) || in(cell, 65, 90) ? alnum : unassigned;
    case 4: return cell <= 83 ? hiragana : unassigned;
    case 5: return cell <= 86 ? katakana : unassigned;
    case 6: return cell <= 24 || in(cell, 33, 56) ? foreign : unassigned;
    case 7: return cell <= 33 || in(cell, 49, 81) ? foreign : unassigned;
    case 8: return cell <= 32 ? box : unassigned;
    case 13: return rare;  // NEC special characters
    default: break;
  }
  if (in(row, 16, 47)) return row < 47 || cell <= 51 ? kanji1 : unassigned;
  if (in(row, 48, 84)) return row < 84 || cell <= 6 ? kanji2 : unassigned;
  if (in(row, 89, 92) || in(row, 115, 120)) return rare;  // NEC-selected and IBM extensions
  if (in(row, 95, 114)) return user;
  return unassigned;
}

// sjis_kind: the kind of a valid Shift_JIS character of n bytes at u.
Kind sjis_kind(const unsigned char* u, size_t n) {
  if (n == 1) return u[0] < 0x80 ? ascii : in(u[0], 0xA1, 0xDF) ? halfwidth : unassigned;
  const int lead = u[0], trail = u[1];
  const int row = (lead <= 0x9F ? lead - 0x81 : lead - 0xC1) * 2 + 1;
  if (trail >= 0x9F) return jis_kind(row + 1, trail - 0x9E);
  return jis_kind(row, trail - 0x3F - (trail >= 0x80 ? 1 : 0));
}

// eucjp_kind: the kind of a valid EUC-JP character of n bytes at u. Rows
// 85-94 are the user-defined ones there.
Kind eucjp_kind(const unsigned char* u, size_t n) {
  if (n == 1) return ascii;
  if (n == 3) return supplement;
  if (u[0] == 0x8E) return halfwidth;
  const int row = u[0] - 0xA0;
  return row >= 85 ? user : jis_kind(row, u[1] - 0xA0);
}

// unicode_kind: the kind of code point c, by the blocks that hold the
// characters of JIS X 0208 and code page 932.
Kind unicode_kind(uint32_t c) {
  if (c < 0x80) return ascii;
  if (c < 0xA0) return unassigned;
  if (c == 0xA7 || c == 0xA8 || c == 0xB0 || c == 0xB1 || c == 0xB4 || c == 0xAC || c == 0xB6 || c == 0xD7 || c == 0xF7)
    return symbol;  // the Latin-1 signs of JIS row 1
  if (in(c, 0x391, 0x3C9) || in(c, 0x401, 0x451)) return foreign;
  if (c < 0x800) return latin;
  if (in(c, 0x2010, 0x2312) || in(c, 0x25A0, 0x266F)) return symbol;
  if (in(c, 0x2460, 0x24FF) || in(c, 0x3200, 0x33FF) || in(c, 0xF900, 0xFAFF)) return rare;
  if (in(c, 0x2500, 0x257F)) return box;
  if (in(c, 0x3000, 0x303F)) return symbol;
  if (in(c, 0x3041, 0x3096)) return hiragana;
  if (in(c, 0x309B, 0x309E) || in(c, 0x30FB, 0x30FE)) return symbol;
  if (in(c, 0x30A1, 0x30FA)) return katakana;
  if (in(c, 0x4E00, 0x9FFF)) return kanji_u;
  if (in(c, 0xE000, 0xF8FF) || c >= 0xF0000) return user;
  if (in(c, 0xFF10, 0xFF19) || in(c, 0xFF21, 0xFF3A) || in(c, 0xFF41, 0xFF5A)) return alnum;
  if (in(c, 0xFF01, 0xFF5E) || in(c, 0xFFE0, 0xFFE5)) return symbol;
  if (in(c, 0xFF61, 0xFF9F)) return halfwidth;
  return supplement;
}

// utf8_kind: the kind of a valid UTF-8 character of n bytes at u.
Kind utf8_kind(const unsigned char* u, size_t n) {
  uint32_t c = n == 1 ? u[0] : u[0] & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) c = c << 6 | (u[i] & 0x3F);
  return unicode_kind(c);
}

// first_high: the offset of the first byte over 0x7F among the n at p, or n.
size_t first_high(const char* p, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080u) break;
  }
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// kAsciiRun: how much leading ASCII a file is read through; kProbes: past
// it, how many blocks spread over the rest are looked into. Reading every
// byte of a large ASCII file would cost a good share of editing it.
constexpr uint64_t kAsciiRun = 1 << 20;
constexpr int kProbes = 16;

// sample_from: reading on from fd's offset, past at most limit bytes of
// leading ASCII (*skipped counts them), up to kGuessSample bytes appended
// to *sample (left empty when all were ASCII); *cut: the sample stops
// before the end. False on a read error. The sample starts at a byte over
// 0x7F after ASCII: a character start in every encoding.
bool sample_from(int fd, uint64_t limit, std::string* sample, uint64_t* skipped, bool* cut) {
  std::string block(kGuessSample, '\0');
  *cut = true;
  while (sample->size() < kGuessSample) {
    if (sample->empty() && *skipped >= limit) return true;
    const long got = platform::read_some(fd, block.data(), block.size());
    if (got < 0) return false;
    if (got == 0) {
      *cut = false;
      return true;
    }
    const size_t n = static_cast<size_t>(got);
    size_t from = 0;
    if (sample->empty()) {
      from = first_high(block.data(), n);
      *skipped += from;
    }
    sample->append(block.data() + from, std::min(n - from, kGuessSample - sample->size()));
  }
  return true;
}

// probe: the sample of fd from the first byte over 0x7F after the first
// newline past offset at, when the kGuessSample bytes there hold one (else
// *sample is left empty); false on a read error. Starting after a newline,
// the sample never opens inside a character.
bool probe(int fd, uint64_t at, std::string* sample, bool* cut) {
  std::string block(kGuessSample, '\0');
  const long got = platform::read_at(fd, block.data(), block.size(), at);
  if (got < 0) return false;
  const char* nl = static_cast<const char*>(std::memchr(block.data(), '\n', static_cast<size_t>(got)));
  if (nl == nullptr) return true;
  size_t from = static_cast<size_t>(nl + 1 - block.data());
  from += first_high(block.data() + from, static_cast<size_t>(got) - from);
  if (from == static_cast<size_t>(got)) return true;
  const long n = platform::read_at(fd, block.data(), block.size(), at + from);
  if (n < 0) return false;
  sample->assign(block.data(), static_cast<size_t>(n));
  *cut = static_cast<size_t>(n) == block.size();
  return true;
}

}  // namespace

Reading read_as(Encoding enc, std::string_view sample, bool cut, size_t give_up) {
  const std::array<double, kKinds>& w = weights();
  Reading r;
  const char* p = sample.data();
  const char* end = p + sample.size();
  if (enc == Encoding::utf8) {
    r.score = kUtf8Prior;
    if (sample.substr(0, 3) == kBom) p += 3;  // weighs log 1
  }
  while (p < end) {
    // A run of ASCII is as many ASCII characters in every encoding.
    const size_t run = first_high(p, static_cast<size_t>(end - p));
    r.score += static_cast<double>(run) * w[ascii];
    p += run;
    if (p == end) break;
    bool bad = false;
    const size_t n = check_sequence(enc, p, end - p, &bad);
    if (bad) {
      // A prefix of a longer text may end inside a character.
      if (cut && p + n == end) break;
      if (++r.invalid > give_up) break;
    } else {
      const auto* u = reinterpret_cast<const unsigned char*>(p);
      r.score += w[enc == Encoding::sjis ? sjis_kind(u, n) : enc == Encoding::eucjp ? eucjp_kind(u, n) : utf8_kind(u, n)];
    }
    p += n;
  }
  return r;
}

namespace {

// Candidate: one reading of the sample, in the order of preference.
struct Candidate {
  Encoding enc;
  int preference;  // lower wins equal readings
  Reading r;
};

// better: a wins over b: fewer invalid sequences, then a higher score,
// then the preference.
bool better(const Candidate& a, const Candidate& b) {
  if (a.r.invalid != b.r.invalid) return a.r.invalid < b.r.invalid;
  if (a.r.score != b.r.score) return a.r.score > b.r.score;
  return a.preference < b.preference;
}

// kLead: the prefix that orders the readings. The likeliest is read whole
// first; the others give up once they hold more invalid sequences than it,
// as they then cannot win.
constexpr size_t kLead = 4096;

}  // namespace

EncodingGuess guess_encoding(std::string_view sample, bool cut) {
  EncodingGuess guess;
  guess.bom = sample.substr(0, 3) == kBom;
  if (!guess.bom && first_high(sample.data(), sample.size()) == sample.size()) return guess;
  guess.ascii = false;
  Candidate c[3] = {{Encoding::utf8, 0, {}}, {Encoding::sjis, 1, {}}, {Encoding::eucjp, 2, {}}};
  if (sample.size() > kLead) {
    for (Candidate& x : c) x.r = read_as(x.enc, sample.substr(0, kLead), true);
    std::sort(std::begin(c), std::end(c), better);
  }
  for (int i = 0; i < 3; ++i) {
    c[i].r = read_as(c[i].enc, sample, cut, i == 0 ? SIZE_MAX : c[0].r.invalid);
    if (better(c[i], c[0])) std::swap(c[i], c[0]);
  }
  guess.encoding = c[0].enc;
  return guess;
}

bool guess_file_encoding(const char* path, EncodingGuess* guess) {
  const int fd = platform::open_read(path);
  if (fd < 0) return false;
  std::string sample;
  uint64_t skipped = 0;
  bool cut = false;
  bool ok = sample_from(fd, kAsciiRun, &sample, &skipped, &cut);
  platform::FileStatus st;
  if (ok && sample.empty() && cut && platform::status_of(fd, &st) && st.kind == platform::FileKind::regular &&
      st.size > skipped) {
    // The last block probed is the file's last.
    const uint64_t span = st.size - skipped - std::min<uint64_t>(st.size - skipped, kGuessSample);
    for (int i = 1; ok && sample.empty() && i <= kProbes; ++i) ok = probe(fd, skipped + span * i / kProbes, &sample, &cut);
  }
  platform::close_fd(fd);
  if (!ok) return false;
  *guess = guess_encoding(sample, cut);
  if (skipped > 0) guess->bom = false;  // a byte order mark opens a file
  return true;
}

const char* guess_name(const EncodingGuess& guess) {
  if (guess.ascii) return "ascii";
  switch (guess.encoding) {
    case Encoding::sjis: return "shift_jis";
    case Encoding::utf8: return "utf-8";
    case Encoding::eucjp: return "euc-jp";
    case Encoding::bytes: return "bytes";
  }
  return "shift_jis";
}

}  // namespace quorl
