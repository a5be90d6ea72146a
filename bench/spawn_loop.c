/* Start-up timer: runs a command N times, each with standard input from a
   file and standard output to /dev/null, and prints the median wall time of
   one run in microseconds. Forking from this small process keeps the
   launcher's own cost far below what is measured.

   spawn_loop N STDIN_FILE COMMAND [ARG...] */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

static int cmp(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: spawn_loop N STDIN_FILE COMMAND [ARG...]\n");
    return 2;
  }
  int n = atoi(argv[1]);
  if (n < 1) return 2;
  double* us = malloc(sizeof(double) * (size_t)n);
  for (int i = 0; i < n; ++i) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, argv[2], O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    pid_t pid;
    if (posix_spawn(&pid, argv[3], &fa, NULL, argv + 3, environ) != 0) {
      perror(argv[3]);
      return 1;
    }
    int status;
    waitpid(pid, &status, 0);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    posix_spawn_file_actions_destroy(&fa);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      fprintf(stderr, "%s failed\n", argv[3]);
      return 1;
    }
    us[i] = (double)(t1.tv_sec - t0.tv_sec) * 1e6 + (double)(t1.tv_nsec - t0.tv_nsec) / 1e3;
  }
  qsort(us, (size_t)n, sizeof us[0], cmp);
  printf("%.1f\n", us[n / 2]);
  return 0;
}
