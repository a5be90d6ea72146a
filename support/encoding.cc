#include "support/encoding.h"

#include <strings.h>

namespace quorl {

bool parse_encoding(const char* name, Encoding* enc) {
  static constexpr struct {
    const char* name;
    Encoding enc;
  } NAMES[] = {
      {"sjis", Encoding::sjis},   {"shift_jis", Encoding::sjis}, {"cp932", Encoding::sjis},
      {"windows-31j", Encoding::sjis}, {"utf-8", Encoding::utf8}, {"utf8", Encoding::utf8},
      {"euc-jp", Encoding::eucjp}, {"eucjp", Encoding::eucjp},    {"bytes", Encoding::bytes},
  };
  for (const auto& n : NAMES) {
    if (strcasecmp(name, n.name) == 0) {
      *enc = n.enc;
      return true;
    }
  }
  return false;
}

const char* encoding_name(Encoding enc) {
  switch (enc) {
    case Encoding::sjis: return "sjis";
    case Encoding::utf8: return "utf-8";
    case Encoding::eucjp: return "euc-jp";
    case Encoding::bytes: return "bytes";
  }
  return "sjis";
}

}  // namespace quorl
