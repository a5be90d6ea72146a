// Scratch places for the file and disk tests: a temporary directory, and a
// small tmpfs mounted on one, which gives a drive of known size that can be
// filled or made read-only. Mounting needs root; where it is refused the
// caller skips with the reason.
#ifndef QUORL_TESTS_UTIL_SCRATCH_FS_H
#define QUORL_TESTS_UTIL_SCRATCH_FS_H

#if __has_include(<sys/mount.h>)
#include <sys/mount.h>
#define QUORL_TESTS_HAVE_MOUNT 1
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace quorl::testing_fs {

// A fresh directory under the system's temporary directory, removed with
// all it holds when the object goes.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device random;
    for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
      const std::filesystem::path dir =
          std::filesystem::temp_directory_path() / ("quorl-fs-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(dir, ec)) path_ = dir.string();
    }
  }
  ~ScratchDir() {
    if (!path_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(path_, ec);
    }
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A tmpfs of size_kb kilobytes mounted on a scratch directory for the life
// of the object. error() tells why it could not be had.
class TmpfsMount {
 public:
  TmpfsMount(int size_kb, bool read_only) {
    if (!dir_.ok()) {
      error_ = "no scratch directory";
      return;
    }
#ifdef QUORL_TESTS_HAVE_MOUNT
    std::string opts = "size=" + std::to_string(size_kb) + "k";
    unsigned long flags = read_only ? MS_RDONLY : 0;
    if (mount("tmpfs", dir_.path().c_str(), "tmpfs", flags, opts.c_str()) != 0) {
      error_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
#else
    (void)size_kb;
    (void)read_only;
    error_ = "no tmpfs on this system";
#endif
  }
  ~TmpfsMount() {
#ifdef QUORL_TESTS_HAVE_MOUNT
    if (mounted_) umount2(dir_.path().c_str(), MNT_DETACH);
#endif
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool ok() const { return mounted_; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }

 private:
  ScratchDir dir_;  // unmounted before it is removed
  bool mounted_ = false;
  std::string error_;
};

// write_file: creates path holding text; false when it cannot.
inline bool write_file(const std::string& path, const std::string& text) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), fp) == text.size();
  return std::fclose(fp) == 0 && ok;
}

// read_file: the contents of path, or "<missing>" when it cannot be opened.
inline std::string read_file(const std::string& path) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) return "<missing>";
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) != 0) out.append(buf, n);
  std::fclose(fp);
  return out;
}

// pattern: n bytes that differ from block to block, so a misplaced block
// shows.
inline std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 1000) % 26);
  return s;
}

}  // namespace quorl::testing_fs

#endif
