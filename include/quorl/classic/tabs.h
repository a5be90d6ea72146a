// Tab expansion.
//
// A tab advances the output to the next multiple of the tab width; every
// other byte (either byte of a double-byte character too) is copied and takes
// one column. The expansion lives in one process-wide area of EXPTAB_SIZE
// bytes, so an expansion holds at most EXPTAB_SIZE - 1 bytes and its NUL.
// A tab width below 1 is taken as 1.
#ifndef QUORL_CLASSIC_TABS_H
#define QUORL_CLASSIC_TABS_H

namespace quorl {

constexpr int EXPTAB_SIZE = 4096;

// The expansion area that exp_tab fills; overwritten by each call.
extern char exptab_area[EXPTAB_SIZE];

// chk_exptab: the bytes, NUL included, that s needs after expansion with tab
// width tab, or -1 when the expansion would not fit the expansion area.
int chk_exptab(int tab, const char* s);

// exp_tab: expands s into exptab_area and returns the area. When the
// expansion would not fit, prints "Error: %256.256s ... too long line\n" with
// s on standard output and ends the process with status 1.
char* exp_tab(int tab, const char* s);

}  // namespace quorl

#endif
