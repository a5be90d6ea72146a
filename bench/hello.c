/* The start-up floor: a statically linked program that prints one line. */
#include <unistd.h>

int main(void) {
  static const char msg[] = "hello\n";
  return write(1, msg, sizeof msg - 1) == (ssize_t)(sizeof msg - 1) ? 0 : 1;
}
