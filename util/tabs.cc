#include "quorl/classic/tabs.h"

#include <cstdio>

#include "support/exit.h"

namespace quorl {

char exptab_area[EXPTAB_SIZE];

namespace {

// next_column: the column after the byte c written at column col. Kept wide,
// so a huge tab width cannot wrap around.
long long next_column(int tab, long long col, char c) {
  if (c != '\t') return col + 1;
  const long long width = tab < 1 ? 1 : tab;
  return col + width - col % width;
}

}  // namespace

int chk_exptab(int tab, const char* s) {
  long long col = 0;
  for (const char* p = s; *p != '\0'; ++p) {
    col = next_column(tab, col, *p);
    if (col >= EXPTAB_SIZE) return -1;
  }
  return static_cast<int>(col + 1);
}

char* exp_tab(int tab, const char* s) {
  long long col = 0;
  for (const char* p = s; *p != '\0'; ++p) {
    const long long next = next_column(tab, col, *p);
    if (next >= EXPTAB_SIZE) {
      std::printf("Error: %256.256s ... too long line\n", s);
      end_process(1);
    }
    if (*p == '\t') {
      while (col < next) exptab_area[col++] = ' ';
    } else {
      exptab_area[col++] = *p;
    }
  }
  exptab_area[col] = '\0';
  return exptab_area;
}

}  // namespace quorl
