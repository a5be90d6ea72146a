/* The reference line loop: reads standard input or a file in 64 KiB blocks,
   finds every line end with memchr and copies each line, newline and all,
   into a 64 KiB output buffer written with write(2). It does nothing else, so
   it is the floor for any line filter that hands lines out one at a time. */
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

enum { BLOCK = 1 << 16, LIMIT = 4096 };

static char in[BLOCK + LIMIT];
static char out[BLOCK];
static size_t out_used;

static void put(const char* p, size_t n) {
  if (out_used + n > sizeof out) {
    if (write(1, out, out_used) != (ssize_t)out_used) _exit(1);
    out_used = 0;
  }
  memcpy(out + out_used, p, n);
  out_used += n;
}

int main(int argc, char** argv) {
  int fd = argc > 1 ? open(argv[1], O_RDONLY) : 0;
  if (fd < 0) return 1;
  size_t have = 0;
  for (;;) {
    ssize_t got = read(fd, in + have, BLOCK);
    if (got <= 0) break;
    have += (size_t)got;
    char* p = in;
    char* end = in + have;
    char* nl;
    while ((nl = memchr(p, '\n', (size_t)(end - p))) != NULL) {
      put(p, (size_t)(nl - p) + 1);
      p = nl + 1;
    }
    have = (size_t)(end - p);
    memmove(in, p, have);
    if (have >= LIMIT) return 1;
  }
  if (have > 0) {
    put(in, have);
    put("\n", 1);
  }
  if (out_used > 0 && write(1, out, out_used) != (ssize_t)out_used) return 1;
  return 0;
}
