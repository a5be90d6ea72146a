#include "support/memory.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/bytebuf.h"
#include "support/exit.h"

namespace quorl {
namespace {

// Address-space limits cannot exhaust the heap under AddressSanitizer, which
// reserves its shadow memory up front; those cases run in the plain build.
#if defined(__SANITIZE_ADDRESS__)
#define SKIP_UNDER_ASAN() GTEST_SKIP() << "heap exhaustion is tested without AddressSanitizer"
#else
#define SKIP_UNDER_ASAN() (void)0
#endif

// A 3000-byte text and a heap text, both made before the heap is exhausted.
char big_text[3001];
char* small_heap = nullptr;
const char* big() { return big_text; }

// exhaust_heap: caps the address space a little above what the process uses
// and takes everything below the cap, so that the next request fails. Runs
// only inside death-test children.
void exhaust_heap() {
  std::memset(big_text, 'b', 3000);
  small_heap = setstr("");
  struct rlimit lim;
  getrlimit(RLIMIT_AS, &lim);
  FILE* f = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (f == nullptr || std::fscanf(f, "%lu", &pages) != 1) std::abort();
  std::fclose(f);
  lim.rlim_cur = pages * 4096 + (64 << 20);
  setrlimit(RLIMIT_AS, &lim);
  // The blocks are chained so that the compiler cannot drop the calls.
  static void* volatile chain = nullptr;
  for (size_t size = 1 << 20; size >= 16; size /= 2) {
    while (void* p = std::malloc(size)) {
      *static_cast<void**>(p) = chain;
      chain = p;
    }
  }
}


void hook() { std::fputs("[endfun]", stderr); }

TEST(Getmem, BlocksAreZeroFilled) {
  for (int size : {1, 17, 4096, 100000}) {
    auto* p = static_cast<unsigned char*>(getmem(size));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < size; ++i) ASSERT_EQ(p[i], 0) << size << " at " << i;
    freemem(p);
  }
  void* z = getmem(0);
  EXPECT_NE(z, nullptr);
  freemem(z);
}

using MemoryDeathTest = ::testing::Test;

// What each helper prints when a request fails, by size.
struct FailCase {
  const char* name;
  void (*call)();
  const char* message;  // a regular expression for the whole of stderr
};

const FailCase kFailures[] = {
    {"getmem K bytes divides by 1024", [] { getmem(5000); },
     "^\ncannot get the memory of 4 K bytes\n$"},
    {"getmem of 1000 bytes", [] { getmem(1000); }, "^\ncannot get the memory of 1000 bytes\n$"},
    {"getmem of 1001 bytes is 0 K", [] { getmem(1001); },
     "^\ncannot get the memory of 0 K bytes\n$"},
    {"moremem K bytes divides by 1000", [] { moremem(nullptr, 5000); },
     "^cannot get the memory of 5 K bytes\n$"},
    {"moremem bytes", [] { moremem(nullptr, 999); }, "^cannot get the memory of 999 bytes\n$"},
    {"setstr", [] { setstr(big()); }, "^cannot get memory\n$"},
    {"addstr", [] { addstr(small_heap, big()); },
     "^can't get memory\n$"},
};

TEST_F(MemoryDeathTest, ExhaustionPrintsItsMessageAndEndsWithStatus1) {
  SKIP_UNDER_ASAN();
  for (const FailCase& c : kFailures) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          exhaust_heap();
          c.call();
        },
        ::testing::ExitedWithCode(1), c.message);
  }
}

TEST_F(MemoryDeathTest, NegativeSizeFailsWithTheBytesForm) {
  EXPECT_EXIT(getmem(-5), ::testing::ExitedWithCode(1), "^\ncannot get the memory of -5 bytes\n$");
  EXPECT_EXIT(moremem(nullptr, -7), ::testing::ExitedWithCode(1),
              "^cannot get the memory of -7 bytes\n$");
}

TEST_F(MemoryDeathTest, EndfunRunsOnceAfterTheMessage) {
  SKIP_UNDER_ASAN();
  EXPECT_EXIT(
      {
        endfun = hook;
        exhaust_heap();
        getmem(5000);
      },
      ::testing::ExitedWithCode(1), "^\ncannot get the memory of 4 K bytes\n\\[endfun\\]$");
  EXPECT_EXIT(
      {
        endfun = hook;
        moremem(nullptr, -1);
      },
      ::testing::ExitedWithCode(1), "^cannot get the memory of -1 bytes\n\\[endfun\\]$");
  // A clean-up that runs out of memory itself once ran again, without end.
  EXPECT_EXIT(
      {
        endfun = [] {
          hook();
          moremem(nullptr, -2);
        };
        moremem(nullptr, -1);
      },
      ::testing::ExitedWithCode(1),
      "^cannot get the memory of -1 bytes\n\\[endfun\\]cannot get the memory of -2 bytes\n$");
}

TEST_F(MemoryDeathTest, LoweredTerminateSizeLetsLargeRequestsFailSoftly) {
  SKIP_UNDER_ASAN();
  EXPECT_EXIT(
      {
        terminate_size = 4000;
        exhaust_heap();
        void* p = getmem(5000);
        std::fprintf(stderr, "[%s]", p == nullptr ? "null" : "block");
        getmem(3000);  // below terminate_size: still the end
      },
      ::testing::ExitedWithCode(1),
      "^\ncannot get the memory of 4 K bytes\n\\[null\\]\ncannot get the memory of 2 K bytes\n$");
}

TEST_F(MemoryDeathTest, GetmemLockAddsItsOwnMessageWithoutEndfun) {
  SKIP_UNDER_ASAN();
  EXPECT_EXIT(
      {
        endfun = hook;
        terminate_size = 100;
        exhaust_heap();
        getmemLock(5000);
      },
      ::testing::ExitedWithCode(1),
      "^\ncannot get the memory of 4 K bytes\nFaital error:\ncannot get the memory of 5 K bytes$");
  EXPECT_EXIT(
      {
        terminate_size = 100;
        exhaust_heap();
        getmemLock(500);
      },
      ::testing::ExitedWithCode(1),
      "^\ncannot get the memory of 500 bytes\nFaital error:\ncannot get memory of 500 bytes$");
}

TEST(Memory, StringHelpers) {
  char* s = setstr("ab");
  EXPECT_STREQ(s, "ab");
  s = addstr(s, "cd");
  EXPECT_STREQ(s, "abcd");
  s = addstr(s, "");
  EXPECT_STREQ(s, "abcd");
  freemem(s);

  char* big = setstr(std::string(100000, 'q').c_str());
  EXPECT_EQ(std::strlen(big), 100000u);
  freeLocal(big);
}

TEST(Memory, SmallHelpers) {
  freemem(nullptr);
  freeLocal(nullptr);
  int x = 0;
  EXPECT_EQ(getmemAdr(&x), &x);
  void* p = getmemLock(64);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(p)[63], 0);
  freemem(p);
  char* m = static_cast<char*>(moremem(nullptr, 10));
  std::memcpy(m, "123456789", 10);
  m = static_cast<char*>(moremem(m, 100000));
  EXPECT_STREQ(m, "123456789");
  freemem(m);
}

TEST(ByteBuf, GrowsKeepingItsContents) {
  ByteBuf b;
  EXPECT_EQ(b.data, nullptr);
  b.reserve(10);
  EXPECT_GE(b.size, 10);
  EXPECT_LT(b.size, BYTEBUF_STEP);  // a small first use takes little
  std::memcpy(b.data, "kept", 5);
  const size_t first = b.size;
  b.reserve(first + 1);
  EXPECT_GE(b.size, 2 * first);  // grows at least twofold
  EXPECT_STREQ(b.data, "kept");
  b.reserve(1 << 20);
  EXPECT_GE(b.size, 1 << 20);
  EXPECT_STREQ(b.data, "kept");
  const size_t before = b.size;
  b.reserve(5);  // never shrinks
  EXPECT_EQ(b.size, before);
}

// A buffer grows past what an int counts: a standard-input line over 2 GiB
// once ended with "cannot get the memory of 2147495 K bytes". Only the pages
// written are ever touched, so the blocks cost next to nothing.
TEST(ByteBuf, LineOverTwoGiBGetsItsBuffer) {
  constexpr size_t kBeyond = (size_t{1} << 31) + 5;
  struct Case {
    const char* name;
    size_t first;  // the size of a first use (0: none)
  };
  const Case cases[] = {{"made that large at once", 0}, {"grown from a small buffer", 10}};
  ThrowOnExhaustion throws;  // a refusal fails the test instead of ending it
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteBuf b;
    if (c.first != 0) std::memcpy(b.reserve(c.first), "kept", 5);
    ASSERT_NO_THROW(b.reserve(kBeyond));
    EXPECT_GE(b.size, kBeyond);
    b.data[kBeyond - 1] = 'z';
    EXPECT_EQ(b.data[kBeyond - 1], 'z');
    if (c.first != 0) {
      EXPECT_STREQ(b.data, "kept");
    }
  }
}

// A request no memory can meet is named as asked for, never as -1 (after
// the allocator's own warning, under AddressSanitizer): a new block as
// getmem names it (K = 1024 bytes), a grown one as moremem does (K = 1000).
TEST_F(MemoryDeathTest, ByteBufBeyondMemoryNamesTheSize) {
  EXPECT_EXIT(ByteBuf().reserve(size_t{1} << 62), ::testing::ExitedWithCode(1),
              "\ncannot get the memory of 4503599627370496 K bytes\n$");
  EXPECT_EXIT(
      {
        ByteBuf b;
        b.reserve(10);
        b.reserve(size_t{5} << 60);
      },
      ::testing::ExitedWithCode(1), "(^|\n)cannot get the memory of 5764607523034234 K bytes\n$");
}

// The clean-up runs once, before the hook, and sets the status the hook sees.
TEST(ExitPath, CleanupRunsFirstAndSetsTheStatus) {
  static int seen = -1;
  static int cleanups = 0;
  struct Left {};
  exit_cleanup = [](int status) {
    ++cleanups;
    return status + 1;
  };
  exit_hook = [](int status) {
    seen = status;
    throw Left{};
  };
  EXPECT_THROW(end_process(0), Left);
  EXPECT_EQ(seen, 1);
  EXPECT_THROW(end_process(0), Left);
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(cleanups, 1);
  exit_hook = nullptr;
}

TEST(ExitPath, HookSeesTheStatusFirst) {
  static int seen = -1;
  struct Left {};
  exit_hook = [](int status) {
    seen = status;
    throw Left{};
  };
  EXPECT_THROW(end_process(3), Left);
  EXPECT_EQ(seen, 3);
  exit_hook = nullptr;
}

}  // namespace
}  // namespace quorl
