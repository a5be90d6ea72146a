// Character sets on Windows: MultiByteToWideChar and WideCharToMultiByte.
//
// MinGW has no iconv; Windows converts between its code pages through
// UTF-16. A name is a code page: "CP<n>" or a bare number, and the names
// quorl's own encodings have on POSIX (CP932, UTF-8, EUC-JP-MS: 20932).
// Strict conversions refuse invalid input (MB_ERR_INVALID_CHARS) and
// report a character the target has no exact form for (WC_NO_BEST_FIT_CHARS
// and the default character); with translit the system's best fit stands.
// Where a conversion stops is found by converting again one character at
// a time, a cost paid only on the fault.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace quorl::platform {

namespace {

// code_page_of: the code page a name stands for, or 0.
unsigned code_page_of(const char* name) {
  if (_stricmp(name, "UTF-8") == 0 || _stricmp(name, "UTF8") == 0) return CP_UTF8;
  if (_stricmp(name, "EUC-JP-MS") == 0 || _stricmp(name, "EUC-JP") == 0) return 20932;
  if (_strnicmp(name, "CP", 2) == 0) name += 2;
  char* end = nullptr;
  const unsigned long cp = std::strtoul(name, &end, 10);
  if (end == name || *end != '\0' || cp == 0 || cp > 65535 || !IsValidCodePage(cp)) return 0;
  return static_cast<unsigned>(cp);
}

// char_len: bytes in the character at p (n bytes left) of code page cp.
size_t char_len(unsigned cp, const char* p, size_t n) {
  const auto c = static_cast<unsigned char>(*p);
  if (cp == CP_UTF8) {
    const size_t len = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return len <= n ? len : n;
  }
  if (cp == 20932 && c == 0x8F) return n < 3 ? n : 3;
  return IsDBCSLeadByteEx(cp, c) && n >= 2 ? 2 : 1;
}

// to_wide: n bytes of cp appended to *wide as UTF-16; false when they are
// not all characters of cp.
bool to_wide(unsigned cp, const char* in, size_t n, std::wstring* wide) {
  const int len = static_cast<int>(n);
  const int need = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in, len, nullptr, 0);
  if (need <= 0) return false;
  const size_t start = wide->size();
  wide->resize(start + need);
  MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in, len, wide->data() + start, need);
  return true;
}

// from_wide: UTF-16 appended to *out in cp; false when strict and a
// character has no exact form there.
bool from_wide(unsigned cp, bool translit, const std::wstring& wide, std::string* out) {
  if (wide.empty()) return true;
  const DWORD flags = cp == CP_UTF8 || translit ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* report = cp == CP_UTF8 || translit ? nullptr : &defaulted;
  const int len = static_cast<int>(wide.size());
  const int need = WideCharToMultiByte(cp, flags, wide.data(), len, nullptr, 0, nullptr, report);
  if (need <= 0 || defaulted) return false;
  const size_t start = out->size();
  out->resize(start + need);
  WideCharToMultiByte(cp, flags, wide.data(), len, out->data() + start, need, nullptr, nullptr);
  return true;
}

}  // namespace

bool Converter::open(const char* from, const char* to, bool translit) {
  from_cp_ = code_page_of(from);
  to_cp_ = code_page_of(to);
  translit_ = translit;
  return from_cp_ != 0 && to_cp_ != 0;
}

void Converter::close() {}

Converter::Stop Converter::convert(const char* in, size_t n, std::string* out, size_t* used) {
  std::wstring wide;
  if (to_wide(from_cp_, in, n, &wide) && from_wide(to_cp_, translit_, wide, out)) {
    *used = n;
    return Stop::done;
  }
  // One character at a time, to the one at fault.
  size_t at = 0;
  while (at < n) {
    const size_t len = char_len(from_cp_, in + at, n - at);
    wide.clear();
    if (!to_wide(from_cp_, in + at, len, &wide)) {
      *used = at;
      const bool cut = at + len == n && len < char_len(from_cp_, in + at, 4);
      return cut ? Stop::incomplete : Stop::invalid;
    }
    if (!from_wide(to_cp_, translit_, wide, out)) {
      *used = at;
      return Stop::unconvertible;
    }
    at += len;
  }
  *used = n;
  return Stop::done;
}

const char* charset_name(unsigned char encoding) {
  static const char* const kNames[] = {"CP932", "UTF-8", "EUC-JP-MS", nullptr};
  return encoding < 4 ? kNames[encoding] : nullptr;
}

const char* locale_codeset() {
  static std::string name;
  name = "CP" + std::to_string(GetACP());
  return name.c_str();
}

}  // namespace quorl::platform
