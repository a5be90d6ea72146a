// Character sets on POSIX: iconv(3) from the C library.
//
// A converter keeps no state between calls: each call's text stands alone,
// and a target with shift states is brought back to its initial one at the
// end of it.
//
// glibc's iconv reports a byte that is no character and a character the
// target cannot hold alike (EILSEQ); a second descriptor, from the source
// set to UTF-8, which holds every character, tells the two apart when a
// conversion stops. EUC-JP is glibc's EUC-JP-MS: it keeps the extensions
// of code page 932 (the circled digits, the IBM kanji), which plain EUC-JP
// has no room for, so Shift_JIS text goes there and back unchanged.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <string>

#include "platform/platform.h"

namespace quorl::platform {

namespace {

iconv_t as_cd(void* h) { return reinterpret_cast<iconv_t>(h); }

const iconv_t kNoCd = reinterpret_cast<iconv_t>(-1);

}  // namespace

bool Converter::open(const char* from, const char* to, bool translit) {
  close();
  const std::string target = translit ? std::string(to) + "//TRANSLIT" : std::string(to);
  const iconv_t cd = iconv_open(target.c_str(), from);
  if (cd == kNoCd) return false;
  handle_ = cd;
  translit_ = translit;
  const iconv_t probe = iconv_open("UTF-8", from);
  probe_ = probe == kNoCd ? nullptr : probe;
  return true;
}

void Converter::close() {
  if (handle_ != nullptr) iconv_close(as_cd(handle_));
  if (probe_ != nullptr) iconv_close(as_cd(probe_));
  handle_ = probe_ = nullptr;
}

Converter::Stop Converter::convert(const char* in, size_t n, std::string* out, size_t* used) {
  char* src = const_cast<char*>(in);
  size_t left = n;
  Stop stop = Stop::done;
  // Room for the whole input at up to three bytes a byte, then more as it
  // is asked for: a character never grows beyond that in the sets quorl
  // names, so one call usually does.
  while (left > 0) {
    const size_t start = out->size();
    const size_t room = left * 3 + 16;
    out->resize(start + room);
    char* dst = out->data() + start;
    size_t dst_left = room;
    const size_t r = iconv(as_cd(handle_), &src, &left, &dst, &dst_left);
    out->resize(start + (room - dst_left));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL) {
      stop = Stop::incomplete;
    } else {
      stop = Stop::invalid;
      // A character the target cannot hold converts to UTF-8.
      if (probe_ != nullptr) {
        char buf[16];
        char* p = src;
        size_t p_left = left < 8 ? left : 8;
        char* q = buf;
        size_t q_left = sizeof buf;
        iconv(as_cd(probe_), nullptr, nullptr, nullptr, nullptr);
        iconv(as_cd(probe_), &p, &p_left, &q, &q_left);
        if (p != src) stop = Stop::unconvertible;
      }
    }
    break;
  }
  // A target with shift states (ISO-2022-JP) returns to its initial one, so
  // that each call's text stands alone.
  char reset[16];
  char* r = reset;
  size_t r_left = sizeof reset;
  if (iconv(as_cd(handle_), nullptr, nullptr, &r, &r_left) != static_cast<size_t>(-1))
    out->append(reset, sizeof reset - r_left);
  iconv(as_cd(handle_), nullptr, nullptr, nullptr, nullptr);
  *used = n - left;
  return stop;
}

const char* charset_name(unsigned char encoding) {
  static const char* const kNames[] = {"CP932", "UTF-8", "EUC-JP-MS", nullptr};
  return encoding < 4 ? kNames[encoding] : nullptr;
}

const char* locale_codeset() {
  // The engine's own calls keep the "C" locale they started in: the name is
  // copied and the locale put back.
  static std::string name;
  const char* before = std::setlocale(LC_CTYPE, nullptr);
  const std::string old = before != nullptr ? before : "C";
  std::setlocale(LC_CTYPE, "");
  name = nl_langinfo(CODESET);
  std::setlocale(LC_CTYPE, old.c_str());
  return name.c_str();
}

}  // namespace quorl::platform
