// ByteBuf: the one growable byte buffer of quorl.
//
// A buffer starts empty (data null, size 0) and is created on first use with
// getmem_size, zero-filled, as large as that use needs (at least BYTEBUF_MIN
// bytes), so that the many small buffers of a large rule set stay small;
// after that it grows with moremem_size, at least doubling, so a long run of
// appends costs amortised constant time and a buffer reused line after line
// stops allocating once it is large enough. Sizes are size_t throughout: a
// buffer holds a line of any length the memory can take, past what an int
// counts. Exhaustion ends the process through the memory helpers (or throws
// MemoryExhausted where a caller asked for that, see support/memory.h).
// data stays valid until the next reserve that grows it; the buffer frees
// it when it is destroyed. A buffer moves but is never copied.
//
// len is the length of the text being built with append and push; reserve
// leaves it alone, so a caller that writes through data keeps its own count.
#ifndef QUORL_SUPPORT_BYTEBUF_H
#define QUORL_SUPPORT_BYTEBUF_H

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace quorl {

constexpr int BYTEBUF_STEP = 4096;
constexpr int BYTEBUF_MIN = 32;  // the smallest buffer made

struct ByteBuf {
  char* data = nullptr;
  size_t size = 0;  // allocated bytes
  size_t len = 0;  // bytes appended since the last clear

  ByteBuf() = default;
  ByteBuf(const ByteBuf&) = delete;
  ByteBuf& operator=(const ByteBuf&) = delete;
  ByteBuf(ByteBuf&& other) noexcept { swap(other); }
  ByteBuf& operator=(ByteBuf&& other) noexcept {
    swap(other);
    return *this;
  }
  ~ByteBuf();

  void swap(ByteBuf& other) noexcept {
    std::swap(data, other.data);
    std::swap(size, other.size);
    std::swap(len, other.len);
  }

  // reserve: makes data hold at least need bytes; returns data.
  char* reserve(size_t need) {
    if (need > size) grow(need);
    return data;
  }

  // clear: len back to 0 (the memory is kept).
  void clear() { len = 0; }

  // append: the n bytes at p added at len, with room kept for a NUL after
  // them (terminate writes it).
  void append(const char* p, size_t n) {
    if (n == 0) return;  // p may then be null: an empty buffer's data
    if (len + n >= size) grow(len + n + 1);
    std::memcpy(data + len, p, n);
    len += n;
  }
  void push(char c) {
    if (len + 1 >= size) grow(len + 2);
    data[len++] = c;
  }
  // terminate: a NUL after the text appended; returns data.
  char* terminate() {
    reserve(len + 1)[len] = '\0';
    return data;
  }

 private:
  void grow(size_t need);
};

// Array: a growable array of T kept in a ByteBuf. Elements are constructed
// in place, default-initialised, and moved bytewise when the buffer grows, so
// a T must hold no pointer into itself. Destroyed with the array.
template <class T>
class Array {
 public:
  Array() = default;
  Array(const Array&) = delete;
  Array& operator=(const Array&) = delete;
  Array(Array&& other) noexcept { swap(other); }
  Array& operator=(Array&& other) noexcept {
    swap(other);
    return *this;
  }
  ~Array() { resize(0); }

  void swap(Array& other) noexcept {
    buf_.swap(other.buf_);
    std::swap(count_, other.count_);
  }

  size_t size() const { return count_; }
  T* begin() { return data(); }
  T* end() { return data() + count_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + count_; }
  T& operator[](size_t k) { return data()[k]; }
  const T& operator[](size_t k) const { return data()[k]; }
  T& back() { return data()[count_ - 1]; }

  // resize: n elements; new ones default-initialised, dropped ones destroyed.
  void resize(size_t n) {
    if (n > count_) {
      buf_.reserve(n * sizeof(T));
      for (; count_ < n; ++count_) new (data() + count_) T();
    }
    for (; count_ > n; --count_) data()[count_ - 1].~T();
  }
  // push: a new last element, default-initialised; returns it.
  T& push() {
    resize(count_ + 1);
    return back();
  }

 private:
  T* data() { return reinterpret_cast<T*>(buf_.data); }
  const T* data() const { return reinterpret_cast<const T*>(buf_.data); }

  ByteBuf buf_;
  size_t count_ = 0;
};

}  // namespace quorl

#endif
