// What the two Windows files of the platform share: names as the system
// takes them. A name quorl holds is bytes in the run's encoding (or UTF-8,
// for the paths the system itself gave back); the wide calls take UTF-16.
#ifndef QUORL_PLATFORM_WINDOWS_H
#define QUORL_PLATFORM_WINDOWS_H

#include <windows.h>

namespace quorl::platform {

// to_wide: name as UTF-16, read in the run's code page (code_page 0) or in
// code_page; a malloc'd copy, null when it cannot be read.
wchar_t* to_wide(const char* name, unsigned code_page = 0);

// to_utf8: a malloc'd UTF-8 copy of a UTF-16 name; null on no memory.
char* to_utf8(const wchar_t* name);

// handle_of: the system's handle behind a descriptor.
HANDLE handle_of(int fd);

// errno_of: errno for a system error code.
int errno_of(DWORD error);

}  // namespace quorl::platform

#endif
