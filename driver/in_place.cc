#include "driver/in_place.h"

#include <cerrno>
#include <cstring>

#include "driver/output.h"
#include "platform/platform.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

constexpr size_t kCopyBlock = 1 << 16;
constexpr uint64_t kWriteBack = 2 << 20;

struct State {
  const char* name = nullptr;  // as the user gave it
  platform::Target target;     // the file itself, open for reading
  ByteBuf backup;              // name + suffix, NUL-terminated; len 0: none
  platform::Replacement repl;  // the new file, once the output differs
  uint64_t same = 0;           // the output so far equals this many bytes of the file
  bool changed = false;        // it no longer does: the output goes to repl
  uint64_t unsynced = 0;       // bytes written to the new file and not yet sent to disk
} state;

// The message of a termination, made before the handler is installed.
ByteBuf signal_msg;
bool handler_on = false;

// on_termination: the new file goes with the run; the file stays as it was.
void on_termination() {
  platform::remove_replacement(state.repl);
  platform::end_now(1, signal_msg.data, signal_msg.len);
}

// Held: termination held back while it lives, so that the new file's name
// and its existence change together.
struct Held {
  Held() { platform::hold_termination(); }
  ~Held() { platform::release_termination(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
};

bool fail_changed() {
  report("%s: changed while being edited\n", state.name);
  return false;
}

// copy_head: the first n bytes of the file appended to fd (named name in
// messages). The file ending before n bytes means it shrank under us.
bool copy_head(int fd, uint64_t n, const char* name) {
  const int copied = platform::copy_from(state.target.fd, fd, n);
  if (copied > 0) return fail_changed();
  if (copied < 0) {
    report("%s: writing error\n", name);
    return false;
  }
  return true;
}

// still_same: whether the n bytes at s are the file's next bytes; if so
// they are taken as written.
bool still_same(const char* s, size_t n) {
  static char buf[kCopyBlock];
  size_t done = 0;
  while (done < n) {
    const size_t want = n - done < kCopyBlock ? n - done : kCopyBlock;
    const long got = platform::read_at(state.target.fd, buf, want, state.same + done);
    if (got <= 0 || std::memcmp(buf, s + done, static_cast<size_t>(got)) != 0) return false;
    done += static_cast<size_t>(got);
  }
  state.same += n;
  return true;
}

// start_temp: the new file made, with the file's attributes and the bytes
// of the file the output has matched so far.
bool start_temp() {
  state.changed = true;
  if (!platform::begin_replacement(state.target, &state.repl)) {
    if (errno == EPERM)
      report("%s: cannot give the edited file its permissions\n", state.name);
    else
      report("%s: cannot create a temporary file in its directory\n", state.name);
    return false;
  }
  return copy_head(state.repl.fd, state.same, state.name);
}

// back_up: the original kept under the backup name. False after a message.
bool back_up(const char* backup) {
  if (platform::make_backup(state.target, backup)) return true;
  if (errno == EEXIST)
    report("%s: the backup exists already; nothing was changed\n", backup);
  else
    report("%s: cannot write the backup; nothing was changed\n", backup);
  return false;
}

}  // namespace

void in_place_check_name(const char* file) {
  if (file == nullptr) {
    errmsg("--in-place: no file to edit; name it with -f <file>\n");
    end_process(1);
  }
  if (std::strcmp(file, "-") == 0) {
    errmsg("--in-place: standard input cannot be edited in place\n");
    end_process(1);
  }
}

bool in_place_begin(const char* file, const char* backup_suffix) {
  in_place_check_name(file);
  state.name = file;
  if (!platform::open_target(file, &state.target)) {
    if (errno == EINVAL)
      report("%s: not a regular file; it cannot be edited in place\n", file);
    else
      report_not_found(file);
    return false;
  }
  state.backup.clear();
  if (backup_suffix != nullptr) {
    append_printf(&state.backup, "%s%s", file, backup_suffix);
    if (platform::exists(state.backup.data)) {
      report("%s: the backup exists already; nothing was changed\n", state.backup.data);
      platform::close_target(&state.target);
      return false;
    }
  }
  state.same = 0;
  state.unsynced = 0;
  state.changed = false;
  state.repl = platform::Replacement{};
  signal_msg.clear();
  append_printf(&signal_msg, "%s: interrupted; the file was left as it was\n", file);
  platform::on_termination(on_termination);
  handler_on = true;
  return true;
}

bool in_place_write(const char* s, size_t n) {
  if (!state.changed) {
    if (still_same(s, n)) return true;
    if (!start_temp()) return false;
  }
  if (!write_all(state.repl.fd, s, n, state.name)) return false;
  state.unsynced += n;
  if (state.unsynced >= kWriteBack) {
    platform::start_writeback(state.repl.fd, state.unsynced);
    state.unsynced = 0;
  }
  return true;
}

bool in_place_commit() {
  if (platform::target_changed(state.target)) return fail_changed();
  if (!state.changed) {
    if (state.same == state.target.status.size) {
      in_place_discard();
      return true;
    }
    // Output that matched the file but ended before it is a change too.
    if (!start_temp()) return false;
  }
  if (!platform::flush_to_disk(state.repl.fd)) {
    report("%s: writing error\n", state.name);
    return false;
  }
  Held held;
  // The last look, as close to the replacement as it can be.
  if (platform::target_changed(state.target)) return fail_changed();
  const char* backup = state.backup.len != 0 ? state.backup.data : nullptr;
  if (backup != nullptr && !back_up(backup)) return false;
  if (!platform::put_in_place(state.target, &state.repl)) {
    if (backup != nullptr) platform::remove_file(backup);
    report("%s: cannot be replaced; nothing was changed\n", state.name);
    return false;
  }
  in_place_discard();
  return true;
}

void in_place_discard() {
  {
    Held held;
    platform::drop_replacement(&state.repl);
  }
  platform::close_target(&state.target);
  if (handler_on) platform::on_termination(nullptr);
  handler_on = false;
}

}  // namespace quorl
