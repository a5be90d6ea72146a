// The string utilities that take free text: tonum, SetParam, get_word, the
// wildcard conversions and tab expansion, each on the same text.
//
// Input: a parameter byte (tonum's terminator, SetParam's count, the escape
// flag, the tab width), then the text.
#include <cstring>
#include <vector>

#include "fuzz_common.h"
#include "quorl/classic/scan.h"
#include "quorl/classic/tabs.h"
#include "quorl/classic/wildcard.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  return 0;
}

namespace {

// in_area: p points into the area of n bytes at area.
bool in_area(const char* p, const char* area, size_t n) { return p >= area && p < area + n; }

void scanners(quorl_fuzz::Text& s, int param) {
  const char* text = s.c_str();
  const char* end = text + s.size();

  int err = -1;
  quorl::tonum(text, param, &err);
  quorl_fuzz::check(err == 0 || err == 1);

  // SetParam gets exactly the room it asks for, so any overrun is caught.
  const int n = param - 128;
  std::vector<char> dst(n > 0 ? static_cast<size_t>(2 * n - 1) : 1);
  const char* stop = quorl::SetParam(text, dst.data(), n);
  quorl_fuzz::check(stop >= text && stop <= end);

  const char* p = text;
  while (*p != '\0') {
    char* word = nullptr;
    char* prefix = nullptr;
    const char* next = quorl::get_word(p, &word, &prefix);
    quorl_fuzz::check(next >= p && next <= end);
    quorl_fuzz::check(std::strlen(word) < static_cast<size_t>(quorl::WORD_AREA_SIZE));
    quorl_fuzz::check(std::strlen(prefix) < static_cast<size_t>(quorl::WORD_AREA_SIZE));
    // get_word stops at a quote or backslash without taking it; step over.
    p = next > p ? next : p + 1;
  }
}

void wildcards(quorl_fuzz::Text& s, int param) {
  std::vector<char> copy(s.c_str(), s.c_str() + s.size() + 1);
  quorl::conv_search_str(copy.data(), param & 1);
  quorl_fuzz::check(std::strlen(copy.data()) <= s.size());

  const char* one = quorl::conv_search_str1(s.c_str());
  quorl_fuzz::check(in_area(one, quorl::pattern_area, quorl::PATTERN_AREA_SIZE));
  quorl_fuzz::check(std::strlen(one) < static_cast<size_t>(quorl::PATTERN_AREA_SIZE));
  const char* find = quorl::conv_search_find(s.c_str());
  quorl_fuzz::check(find == quorl::pattern_area);
  quorl_fuzz::check(std::strlen(find) < static_cast<size_t>(quorl::PATTERN_AREA_SIZE));
}

void tabs(quorl_fuzz::Text& s, int param) {
  const int tab = param % 17 - 1;
  const int need = quorl::chk_exptab(tab, s.c_str());
  try {
    const char* out = quorl::exp_tab(tab, s.c_str());
    // What chk_exptab promised is what exp_tab wrote.
    quorl_fuzz::check(need == static_cast<int>(std::strlen(out)) + 1);
  } catch (const quorl_fuzz::Ended& e) {
    quorl_fuzz::check(need == -1 && e.status == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  const int param = in.byte();
  quorl_fuzz::Text text = in.next();
  scanners(text, param);
  wildcards(text, param);
  tabs(text, param);
  return 0;
}
