#include "support/transcode.h"

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/encoding.h"

namespace quorl {

std::string system_charset(const char* name) {
  Encoding enc = Encoding::bytes;
  if (!parse_encoding(name, &enc)) return name;
  const char* system = platform::charset_name(static_cast<unsigned char>(enc));
  return system != nullptr ? system : "";
}

TargetName target_name(const char* name) {
  TargetName t;
  const char* slash = std::strstr(name, "//");
  const std::string base = slash != nullptr ? std::string(name, slash) : std::string(name);
  t.translit = slash != nullptr;
  t.ok = slash == nullptr || strcasecmp(slash + 2, "TRANSLIT") == 0;
  t.system = system_charset(base.c_str());
  return t;
}

namespace {

constexpr size_t kTableAfter = 1 << 18;  // bytes converted before a table pays

// SjisTable: the form of every Shift_JIS character in one target, each
// found by converting that character alone. A character with no form, or
// one longer than three bytes, has none here: the converter then takes it
// and says what is wrong.
class SjisTable {
 public:
  // build: the table filled through cv (Shift_JIS to the target).
  void build(platform::Converter* cv) {
    std::string out;
    size_t used = 0;
    for (unsigned c = 0; c < 256; ++c) {
      if (is_lead(static_cast<unsigned char>(c))) continue;
      const char in[1] = {static_cast<char>(c)};
      fill(&single_[c], cv, in, 1, &out, &used);
    }
    double_.resize(128 * 256);
    for (unsigned c = 0x81; c < 256; ++c) {
      if (!is_lead(static_cast<unsigned char>(c))) continue;
      for (unsigned t = 0; t < 256; ++t) {
        const char in[2] = {static_cast<char>(c), static_cast<char>(t)};
        fill(&double_[((c & 0x7F) << 8) | t], cv, in, 2, &out, &used);
      }
    }
    ascii_same_ = true;
    for (unsigned c = 0; c < 0x80; ++c)
      ascii_same_ = ascii_same_ && single_[c].len == 1 && single_[c].bytes[0] == static_cast<char>(c);
  }

  // convert: the n bytes at in appended to *out as far as each character
  // has a form here; returns how many bytes that was.
  size_t convert(const char* in, size_t n, std::string* out) const {
    const size_t start = out->size();
    out->resize(start + n * 3 + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    const auto* const end = p + n;
    char* o = out->data() + start;
    while (p < end) {
      // Runs of ASCII, eight bytes at a time, where they stay as they are.
      uint64_t word;
      if (ascii_same_ && end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ULL) == 0)) {
        std::memcpy(o, p, 8);
        o += 8;
        p += 8;
        continue;
      }
      const unsigned c = *p;
      const bool lead = is_lead(static_cast<unsigned char>(c));
      if (lead && end - p < 2) break;
      const Entry& e = lead ? double_[((c & 0x7F) << 8) | p[1]] : single_[c];
      if (e.len == 0) break;
      std::memcpy(o, e.bytes, 3);
      o += e.len;
      p += lead ? 2 : 1;
    }
    out->resize(static_cast<size_t>(o - out->data()));
    return static_cast<size_t>(p - reinterpret_cast<const unsigned char*>(in));
  }

 private:
  struct Entry {
    unsigned char len = 0;  // 0: no form here
    char bytes[3] = {0, 0, 0};
  };

  static void fill(Entry* e, platform::Converter* cv, const char* in, size_t n, std::string* out, size_t* used) {
    out->clear();
    if (cv->convert(in, n, out, used) != platform::Converter::Stop::done || out->empty() || out->size() > 3) return;
    e->len = static_cast<unsigned char>(out->size());
    std::memcpy(e->bytes, out->data(), out->size());
  }

  Entry single_[256];
  std::vector<Entry> double_;
  bool ascii_same_ = false;
};

}  // namespace

struct Transcoder::State {
  platform::Converter cv;
  bool ok = false;
  bool table_wanted = false;  // Shift_JIS to UTF-8 or EUC-JP, strict
  std::unique_ptr<SjisTable> table;
  size_t converted = 0;    // bytes converted so far
  size_t line = 1;         // the line at converted
  size_t line_start = 0;   // where it began
  std::string pending;     // the start of a character cut by the end of a write
  std::string out;
  TranscodeFault fault;
  Encoding from_enc = Encoding::bytes;  // when from is one of quorl's

  // at_fault: records a fault of code at byte pos of in (in starting at
  // byte base of the stream).
  void at_fault(ErrorCode code, std::string_view in, size_t pos, size_t base) {
    fault.code = code;
    fault.at = base + pos;
    count_lines(in.substr(0, pos), base);
    fault.line = line;
    fault.column = fault.at - line_start + 1;
    size_t len = 1;
    if (from_enc != Encoding::bytes) {
      bool bad = false;
      len = check_sequence(from_enc, in.data() + pos, in.size() - pos, &bad);
    }
    fault.bytes.assign(in.substr(pos, len));
  }

  // count_lines: the newlines of in, which starts at byte base, counted.
  void count_lines(std::string_view in, size_t base) {
    const char* p = in.data();
    const char* const end = p + in.size();
    while (p < end) {
      const void* nl = std::memchr(p, '\n', static_cast<size_t>(end - p));
      if (nl == nullptr) break;
      p = static_cast<const char*>(nl) + 1;
      ++line;
      line_start = base + static_cast<size_t>(p - in.data());
    }
  }
};

Transcoder::Transcoder(const char* from, const char* to) : state_(std::make_unique<State>()) {
  State& s = *state_;
  const std::string source = system_charset(from);
  const TargetName target = target_name(to);
  parse_encoding(from, &s.from_enc);
  s.ok = target.ok && !source.empty() && !target.system.empty() &&
         s.cv.open(source.c_str(), target.system.c_str(), target.translit);
  const char* sjis = platform::charset_name(static_cast<unsigned char>(Encoding::sjis));
  const char* utf8 = platform::charset_name(static_cast<unsigned char>(Encoding::utf8));
  const char* eucjp = platform::charset_name(static_cast<unsigned char>(Encoding::eucjp));
  s.table_wanted = s.ok && !target.translit && source == sjis && (target.system == utf8 || target.system == eucjp);
  if (!s.ok) s.fault.code = ErrorCode::unknown_encoding;
}

Transcoder::~Transcoder() = default;
Transcoder::Transcoder(Transcoder&&) noexcept = default;
Transcoder& Transcoder::operator=(Transcoder&&) noexcept = default;

bool Transcoder::ok() const { return state_->ok; }

const TranscodeFault& Transcoder::fault() const { return state_->fault; }

bool Transcoder::write(std::string_view bytes, const Sink& next) {
  State& s = *state_;
  if (!s.ok || s.fault.code != ErrorCode::none) return false;
  if (s.table_wanted && s.table == nullptr && s.converted + bytes.size() >= kTableAfter) {
    s.table = std::make_unique<SjisTable>();
    s.table->build(&s.cv);
  }
  const size_t base = s.converted - s.pending.size();
  std::string_view in = bytes;
  if (!s.pending.empty()) {
    s.pending.append(bytes);
    in = s.pending;
  }
  s.out.clear();
  size_t pos = 0;
  using Stop = platform::Converter::Stop;
  Stop stop = Stop::done;
  while (pos < in.size()) {
    if (s.table != nullptr) {
      pos += s.table->convert(in.data() + pos, in.size() - pos, &s.out);
      if (pos == in.size()) break;
    }
    // Without a table, all the rest; with one, the character it stopped at.
    size_t n = in.size() - pos;
    if (s.table != nullptr && n > 1) n = is_lead(static_cast<unsigned char>(in[pos])) ? 2 : 1;
    size_t used = 0;
    stop = s.cv.convert(in.data() + pos, n, &s.out, &used);
    pos += used;
    if (stop != Stop::done) break;
  }
  const size_t converted_to = base + pos;
  if (stop == Stop::invalid || stop == Stop::unconvertible) {
    s.at_fault(stop == Stop::invalid ? ErrorCode::invalid_sequence : ErrorCode::unconvertible, in, pos, base);
    if (!s.out.empty()) next(s.out);
    return false;
  }
  s.count_lines(in.substr(0, pos), base);
  std::string rest(in.substr(pos));  // a character cut short, if any
  s.pending = std::move(rest);
  s.converted = converted_to + s.pending.size();
  return s.out.empty() || next(s.out);
}

bool Transcoder::finish() {
  State& s = *state_;
  if (!s.ok || s.fault.code != ErrorCode::none) return false;
  if (s.pending.empty()) return true;
  const std::string rest = std::move(s.pending);
  s.pending.clear();
  s.at_fault(ErrorCode::invalid_sequence, rest, 0, s.converted - rest.size());
  return false;
}

Sink Transcoder::sink(Sink next) {
  return [this, next = std::move(next)](std::string_view bytes) { return write(bytes, next); };
}

bool transcode(std::string_view in, const char* from, const char* to, std::string* out, TranscodeFault* fault) {
  Transcoder t(from, to);
  out->clear();
  const bool ok = t.write(in, [out](std::string_view b) {
    out->append(b);
    return true;
  }) && t.finish();
  if (fault != nullptr) *fault = t.fault();
  return ok;
}

}  // namespace quorl
