#include "extract/parallel.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/platform.h"
#include "extract/records.h"
#include "replace/csv.h"
#include "support/errors.h"
#include "support/line_file.h"
#include "support/threads.h"

namespace quorl {

namespace {

// A chunk is this many bytes of the file; its lines are those that start in
// it.
constexpr size_t kChunk = size_t{1} << 18;
// A smaller file is edited on one thread: it gains nothing from more.
constexpr uint64_t kParallelFrom = uint64_t{1} << 20;
// The longest line limit taken here: a chunk is read as far as the limit
// past its end to find the end of its last line, which is too long if it is
// not there.
constexpr size_t kMaxLimit = size_t{1} << 16;

// Slot: one chunk on its way: read and edited by a worker, then written,
// in order, by whichever worker finds it next in line.
struct Slot {
  ByteBuf in;        // the chunk's lines as read
  ByteBuf out;       // their results
  const char* text = nullptr;  // what to write: out.data, or the lines themselves
  size_t len = 0;
  bool failed = false;  // a fault after the text above
  ErrorCode code = ErrorCode::none;  // what it is
  ByteBuf message;      // its message
  bool cut = false;     // the file ended here, before the size it had
  bool done = false;
  // A chunk of CSV records: read when taken, from where it starts in the
  // file, taken its bytes, read_failed when the read failed.
  uint64_t from = 0;
  size_t taken = 0;
  bool read_failed = false;
};

struct Job {
  const RuleSet* rules = nullptr;
  int fd = -1;
  size_t limit = 0;         // lines of this many bytes are too long
  bool refuse_nul = false;  // a line holding a NUL byte is a fault
  const ChunkSink* sink = nullptr;
  uint64_t size = 0;
  long chunks = 0;
  Slot* slots = nullptr;
  long slot_count = 0;
  pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
  long next_chunk = 0;  // the next chunk a worker takes
  long written = 0;     // chunks written so far
  int editing = 0;      // workers editing a chunk (outside the lock)
  bool writing = false; // a worker is writing the next chunks in order
  bool stop = false;    // the run is ending: no more work
  ParallelEdit* outcome = nullptr;  // the fault that stopped it
  bool records = false;       // CSV records: chunks are cut between records
  uint64_t next_record = 0;  // where the next chunk of them starts
};

// take_records: the next chunk of a CSV file read into slot: from the
// record start where the chunk before ended to the first record start at
// least kChunk bytes on, or to the file's end, when it is the last chunk.
// Only a pass over the records from the file's start finds where one
// starts, so the chunks are taken in order, with the lock held; a read
// that holds no record start is made again twice as long.
void take_records(Job* job, long k, Slot* slot) {
  const uint64_t from = job->next_record;
  slot->from = from;
  slot->taken = 0;
  slot->read_failed = false;
  slot->cut = false;
  size_t len = kChunk + (kChunk >> 2);
  for (;;) {
    char* const b = slot->in.reserve(len + 1);
    const long got = platform::read_at(job->fd, b, len, from);
    if (got < 0) {
      slot->read_failed = true;
      job->chunks = k + 1;
      return;
    }
    const char* next = csv_record_from(job->rules->syntax, b, b + got, b + kChunk);
    if (next != nullptr && from + static_cast<uint64_t>(next - b) < job->size) {
      slot->taken = static_cast<size_t>(next - b);
      job->next_record = from + slot->taken;
      return;
    }
    if (next == nullptr && static_cast<size_t>(got) == len) {
      len *= 2;
      continue;
    }
    // The file's last chunk: an unclosed record, or a last line, ends it.
    slot->taken = static_cast<size_t>(got);
    slot->cut = from + static_cast<uint64_t>(got) < job->size;
    job->chunks = k + 1;
    return;
  }
}

// lines_before: the newlines in the first offset bytes of the file, so
// the number of the line that starts there, less one.
size_t lines_before(int fd, uint64_t offset) {
  char buf[1 << 16];
  size_t lines = 0;
  for (uint64_t at = 0; at < offset;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(offset - at, sizeof buf));
    const long got = platform::read_at(fd, buf, want, at);
    if (got <= 0) break;
    for (const char* p = buf; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(buf + got - p))));
         ++p)
      ++lines;
    at += got;
  }
  return lines;
}

// fail: the slot's fault, after the text so far.
void fail(Slot* slot, ErrorCode code, const char* message) {
  slot->failed = true;
  slot->code = code;
  slot->message.clear();
  slot->message.append(message, std::strlen(message));
  slot->message.terminate();
}

// edit_one: the line at line (NUL-terminated; len its length, or
// UNKNOWN_LEN when it holds a NUL of its own) edited into slot->out, with
// its newline. False after a fault.
bool edit_one(const RuleSet& rules, EditorState& ed, char* line, size_t len, Slot* slot) {
  const char* text = edit_rules(rules, ed, line, &len);
  if (text == nullptr) {
    fail(slot, ed.fault, ed.error.data);
    return false;
  }
  if (len == UNKNOWN_LEN) len = std::strlen(text);
  slot->out.append(text, len);
  slot->out.push('\n');
  return true;
}

// edit_csv_lines: the n bytes of whole lines at run taken as CSV records
// into slot->out: those they close rebuilt at once, the lines of one they
// leave open gathered into records for the lines after them. False after
// a fault.
bool edit_csv_lines(const RuleSet& rules, EditorState& ed, char* run, size_t n, Records* records,
                    size_t* line_no, Slot* slot) {
  return edit_csv_run(
      rules.templ, rules.syntax, ed, run, n, records, line_no,
      [slot](const char* text, size_t len) { return slot->out.append(text, len), true; },
      [&](char* text, size_t len) { return edit_one(rules, ed, text, len, slot); });
}

// edit_lines: the lines of [begin, end) of slot->in (every one ending in a
// newline but the file's last, a byte after end writable) edited into slot
// as the line loop edits them, cut by the line reader: a run at a time
// where the rules allow it, else one by one. The whole chunk edited in one
// run is not copied: the slot writes it from where it lies.
void edit_lines(const Job& job, EditorState& ed, size_t begin, size_t end, uint64_t at, Slot* slot) {
  const RuleSet& rules = *job.rules;
  slot->out.clear();
  LineFile in;
  in.open_buffer(&slot->in, begin, end, job.limit);
  size_t len = 0;
  size_t text_len = 0;
  // CSV records, whole in every chunk but where the file ends inside one.
  const bool csv = rules.syntax.csv;
  Records records;
  size_t line_no = 0;
  for (;;) {
    size_t n = 0;
    while (char* run = rules.csv_records && !records.open() ? in.lines(&n) : nullptr) {
      if (!edit_csv_lines(rules, ed, run, n, &records, &line_no, slot)) break;
    }
    if (slot->failed) break;
    while (char* run = csv ? nullptr : in.lines(&n)) {
      const size_t run_len = n;
      const char* text = rules.whole_lines ? edit_run(rules, ed, run, &n) : nullptr;
      if (text != nullptr && slot->out.len == 0 && run_len == end - begin) {
        // The lines as read when nothing changed them, else the editor's
        // buffer, which the slot takes over.
        if (text != run) slot->out.swap(ed.lines[text == ed.lines[0].data ? 0 : 1]);
        slot->text = text;
        slot->len = n;
        in.give_back(&slot->in);
        return;
      }
      if (text != nullptr) {
        slot->out.append(text, n);
        continue;
      }
      for (char* line = run; line < run + run_len;) {
        auto* nl = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(run + run_len - line)));
        *nl = '\0';
        if (!edit_one(rules, ed, line, static_cast<size_t>(nl - line), slot)) break;
        line = nl + 1;
      }
      if (slot->failed) break;
    }
    char* line = slot->failed ? nullptr : in.next(&len, &text_len);
    if (line == nullptr) break;
    if (in.too_long(len)) {
      ByteBuf msg;
      too_long_message(&msg, line);
      fail(slot, ErrorCode::line_too_long, msg.data);
      break;
    }
    if (text_len == LineFile::kHasNul && job.refuse_nul) {
      fail(slot, ErrorCode::nul_byte, kNulMessage);
      break;
    }
    size_t edit_len = text_len == LineFile::kHasNul ? UNKNOWN_LEN : text_len;
    if (csv) {
      const size_t ending = in.had_newline() ? 1 : 0;
      if (!records.take(rules.syntax, line, len - ending, in.ending(), ++line_no)) continue;
      if (records.gathered()) {
        line = records.text();
        edit_len = std::memchr(line, '\0', records.len()) != nullptr ? UNKNOWN_LEN : records.len();
      }
    }
    if (!edit_one(rules, ed, line, edit_len, slot)) break;
  }
  if (records.open() && !slot->failed) {
    ByteBuf msg;
    append_printf(&msg, UNCLOSED_QUOTE, lines_before(job.fd, at) + records.first_line());
    fail(slot, ErrorCode::unclosed_quote, msg.data);
  }
  in.give_back(&slot->in);
  slot->text = slot->out.data;
  slot->len = slot->out.len;
}

// edit_records: the chunk of CSV records that take_records read into
// slot, edited.
void edit_records(Job* job, EditorState& ed, Slot* slot) {
  if (slot->read_failed) {
    fail(slot, ErrorCode::read_error, kReadErrorMessage);
    return;
  }
  slot->in.data[slot->taken] = '\0';
  if (slot->taken > 0) edit_lines(*job, ed, 0, slot->taken, slot->from, slot);
}

// edit_chunk: chunk k of the file read and edited into slot.
void edit_chunk(Job* job, EditorState& ed, long k, Slot* slot) {
  slot->failed = false;
  slot->text = nullptr;
  slot->len = 0;
  if (job->records) {
    edit_records(job, ed, slot);
    return;
  }
  const uint64_t start = static_cast<uint64_t>(k) * kChunk;
  // One byte before the chunk tells whether a line starts at its first.
  const uint64_t from = start == 0 ? 0 : start - 1;
  const size_t want = static_cast<size_t>(start - from) + kChunk + job->limit + 1;
  char* buf = slot->in.reserve(want + 1);
  const long got = platform::read_at(job->fd, buf, want, from);
  if (got < 0) {
    fail(slot, ErrorCode::read_error, kReadErrorMessage);
    return;
  }
  // A file that is shorter now than when it was opened (truncated by a log
  // rotation, say) ends where the read ended: nothing after is written.
  const size_t head = static_cast<size_t>(start - from);
  slot->cut = from + static_cast<uint64_t>(got) < job->size && static_cast<size_t>(got) < want;
  if (static_cast<size_t>(got) <= head) return;
  char* data_end = buf + got;
  *data_end = '\0';
  // The chunk's lines: from the first line start at or after start, to the
  // first line start at or after the chunk's end.
  char* p = buf + head;
  if (start != 0 && p[-1] != '\n') {
    auto* nl = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(data_end - p)));
    p = nl == nullptr ? data_end : nl + 1;
  }
  char* chunk_end = buf + head + kChunk;
  char* end;
  if (chunk_end >= data_end) {
    end = data_end;
  } else if (chunk_end[-1] == '\n') {
    end = chunk_end;
  } else {
    auto* nl = static_cast<char*>(std::memchr(chunk_end, '\n', static_cast<size_t>(data_end - chunk_end)));
    end = nl != nullptr ? nl + 1 : data_end;
  }
  if (p >= end) return;
  edit_lines(*job, ed, static_cast<size_t>(p - buf), static_cast<size_t>(end - buf), start, slot);
}

// write_ready: the chunks that are done, in order, handed to the sink by
// this worker while no other does. Called and returning with the lock
// held; a fault (or a sink that stops) stops the run after the lines
// before it.
void write_ready(Job* job) {
  while (!job->writing && !job->stop && job->written < job->chunks) {
    Slot* slot = &job->slots[job->written % job->slot_count];
    if (!slot->done) return;
    job->writing = true;
    pthread_mutex_unlock(&job->lock);
    ParallelEdit* out = job->outcome;
    if (slot->len > 0 && !(*job->sink)(slot->text, slot->len)) {
      out->code = ErrorCode::sink_stopped;
    } else if (slot->failed) {
      out->code = slot->code;
      out->message.clear();
      out->message.append(slot->message.data, slot->message.len);
      out->message.terminate();
    }
    pthread_mutex_lock(&job->lock);
    if (out->code != ErrorCode::none) {
      job->stop = true;
      job->writing = false;
      pthread_cond_broadcast(&job->changed);
      return;
    }
    slot->done = false;
    ++job->written;
    if (slot->cut) job->chunks = job->written;
    job->writing = false;
    pthread_cond_broadcast(&job->changed);
  }
}

// worker: takes, edits and writes chunks until none is left or the run
// stops.
void* worker(void* arg) {
  auto* job = static_cast<Job*>(arg);
  EditorState ed;
  pthread_mutex_lock(&job->lock);
  for (;;) {
    write_ready(job);
    const long k = job->next_chunk;
    if (job->stop || k >= job->chunks) break;
    // Bounded memory: a chunk waits for its slot to be written.
    if (k >= job->written + job->slot_count) {
      pthread_cond_wait(&job->changed, &job->lock);
      continue;
    }
    ++job->next_chunk;
    ++job->editing;
    Slot* slot = &job->slots[k % job->slot_count];
    if (job->records) take_records(job, k, slot);
    pthread_mutex_unlock(&job->lock);
    edit_chunk(job, ed, k, slot);
    pthread_mutex_lock(&job->lock);
    --job->editing;
    slot->done = true;
    pthread_cond_broadcast(&job->changed);
  }
  pthread_mutex_unlock(&job->lock);
  return nullptr;
}

}  // namespace

bool edit_file_in_parallel(const char* name, const RuleSet& rules, int jobs, size_t limit, bool refuse_nul,
                           const ChunkSink& sink, ParallelEdit* outcome) {
  if (jobs < 2 || !rules.lines_independent || limit == 0 || limit > kMaxLimit) return false;
  const int fd = platform::open_read(name);
  if (fd < 0) return false;
  platform::FileStatus st;
  if (!platform::status_of(fd, &st) || st.kind != platform::FileKind::regular || st.size < kParallelFrom) {
    platform::close_fd(fd);
    return false;
  }
  Job job;
  outcome->code = ErrorCode::none;
  job.outcome = outcome;
  job.rules = &rules;
  job.fd = fd;
  job.limit = limit;
  job.refuse_nul = refuse_nul;
  job.sink = &sink;
  job.size = st.size;
  job.chunks = static_cast<long>((st.size + kChunk - 1) / kChunk);
  if (rules.syntax.csv) {
    // A chunk is cut between records, which are found as the chunks are
    // taken: the count is known at the last.
    job.records = true;
    job.chunks = LONG_MAX;
  }
  job.slot_count = 2L * jobs;
  Slot* slots = new Slot[static_cast<size_t>(job.slot_count)];
  job.slots = slots;
  job.next_chunk = job.written = 0;
  // This thread is one of the workers.
  auto* workers = new Thread[static_cast<size_t>(jobs)];
  int worker_count = 0;
  while (worker_count < jobs - 1 && start_thread(&workers[worker_count], worker, &job))
    ++worker_count;
  worker(&job);
  for (int t = 0; t < worker_count; ++t) join_thread(&workers[t]);
  delete[] workers;
  delete[] slots;
  platform::close_fd(fd);
  return true;
}

}  // namespace quorl
