#include "extract/parallel.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/line_file.h"
#include "support/threads.h"

namespace quorl {

namespace {

// A chunk is this many bytes of the file; its lines are those that start in
// it.
constexpr size_t kChunk = size_t{1} << 18;
// A smaller file is edited on one thread: it gains nothing from more.
constexpr off_t kParallelFrom = off_t{1} << 20;
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
};

struct Job {
  const RuleSet* rules = nullptr;
  int fd = -1;
  size_t limit = 0;         // lines of this many bytes are too long
  bool refuse_nul = false;  // a line holding a NUL byte is a fault
  const ChunkSink* sink = nullptr;
  off_t size = 0;
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
};

// read_at: n bytes at offset at into buf (fewer at the end of the file);
// the count read, or -1 on an error.
ssize_t read_at(int fd, char* buf, size_t n, off_t at) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = pread(fd, buf + got, n - got, at + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
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

// edit_each: the good lines of [p, q) edited one by one into slot; false
// after a fault.
bool edit_each(const RuleSet& rules, EditorState& ed, char* p, char* q, Slot* slot) {
  for (char* line = p; line < q;) {
    char* nl = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(q - line)));
    *nl = '\0';
    if (!edit_one(rules, ed, line, static_cast<size_t>(nl - line), slot)) return false;
    line = nl + 1;
  }
  return true;
}

// edit_odd_line: the line at p, which holds a NUL (nul, the first NUL at or
// after p, or end), is too long, or is the file's last and has no newline,
// edited into slot as the line loop edits it. Returns where the next line
// begins; null after a fault.
char* edit_odd_line(const Job& job, EditorState& ed, char* p, char* end, const char* nul, bool at_eof,
                    Slot* slot) {
  const size_t avail = static_cast<size_t>(end - p);
  const size_t scan = avail < job.limit ? avail : job.limit;
  auto* nl = static_cast<char*>(std::memchr(p, '\n', scan));
  const size_t len = nl != nullptr ? static_cast<size_t>(nl - p) + 1 : scan;
  if (len >= job.limit || (nl == nullptr && !at_eof)) {
    // The message shows the line up to its newline, or its first limit
    // bytes.
    *(nl != nullptr ? nl : p + job.limit) = '\0';
    ByteBuf msg;
    too_long_message(&msg, p);
    fail(slot, ErrorCode::line_too_long, msg.data);
    return nullptr;
  }
  char* stop = nl != nullptr ? nl : p + len;
  if (nul < stop && job.refuse_nul) {
    fail(slot, ErrorCode::nul_byte, kNulMessage);
    return nullptr;
  }
  const char saved = *stop;
  *stop = '\0';
  const bool ok = edit_one(*job.rules, ed, p, nul < stop ? UNKNOWN_LEN : static_cast<size_t>(stop - p), slot);
  *stop = saved;
  return ok ? stop + (nl != nullptr ? 1 : 0) : nullptr;
}

// edit_lines: the lines of [p, end) edited into slot as the line loop edits
// them (end is the end of the file's text when at_eof). Every line ends in
// a newline but the file's last. The lines before the first NUL byte and
// before the first line too long are edited a run at a time where the rules
// allow it.
void edit_lines(const Job& job, EditorState& ed, char* p, char* end, bool at_eof, Slot* slot) {
  const RuleSet& rules = *job.rules;
  slot->out.clear();
  char* nul = static_cast<char*>(std::memchr(p, '\0', static_cast<size_t>(end - p)));
  if (nul == nullptr) nul = end;
  while (p < end) {
    // The run of good lines: those before the NUL, and short enough.
    auto* last = static_cast<char*>(memrchr(p, '\n', static_cast<size_t>(nul - p)));
    char* q = last != nullptr ? good_lines(p, last, job.limit) : p;
    if (q == p) {
      p = edit_odd_line(job, ed, p, end, nul, at_eof, slot);
      if (p == nullptr) break;
      if (nul < p) {
        nul = static_cast<char*>(std::memchr(p, '\0', static_cast<size_t>(end - p)));
        if (nul == nullptr) nul = end;
      }
      continue;
    }
    size_t n = static_cast<size_t>(q - p);
    const char* run = rules.whole_lines ? edit_run(rules, ed, p, &n) : nullptr;
    if (run != nullptr && slot->out.len == 0 && q == end) {
      // The whole chunk in one run: its result is written from where it
      // lies, the lines as read when nothing changed them, else the
      // editor's buffer, which the slot takes over.
      if (run != p) slot->out.swap(ed.lines[run == ed.lines[0].data ? 0 : 1]);
      slot->text = run;
      slot->len = n;
      return;
    }
    if (run != nullptr)
      slot->out.append(run, n);
    else if (!edit_each(rules, ed, p, q, slot))
      return;
    p = q;
  }
  if (!slot->failed) {
    slot->text = slot->out.data;
    slot->len = slot->out.len;
  }
}

// edit_chunk: chunk k of the file read and edited into slot.
void edit_chunk(Job* job, EditorState& ed, long k, Slot* slot) {
  slot->failed = false;
  slot->text = nullptr;
  slot->len = 0;
  const off_t start = static_cast<off_t>(k) * static_cast<off_t>(kChunk);
  // One byte before the chunk tells whether a line starts at its first.
  const off_t from = start == 0 ? 0 : start - 1;
  const size_t want = static_cast<size_t>(start - from) + kChunk + job->limit + 1;
  char* buf = slot->in.reserve(want + 1);
  const ssize_t got = read_at(job->fd, buf, want, from);
  if (got < 0) {
    fail(slot, ErrorCode::read_error, kReadErrorMessage);
    return;
  }
  // A file that is shorter now than when it was opened (truncated by a log
  // rotation, say) ends where the read ended: nothing after is written.
  const size_t head = static_cast<size_t>(start - from);
  const bool at_eof = static_cast<size_t>(got) < want || from + got >= job->size;
  slot->cut = from + got < job->size && static_cast<size_t>(got) < want;
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
  const bool last = at_eof && end == data_end;
  *end = '\0';
  edit_lines(*job, ed, p, end, last, slot);
  if (slot->text == nullptr) {  // it stopped at a fault
    slot->text = slot->out.data;
    slot->len = slot->out.len;
  }
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
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < kParallelFrom) {
    close(fd);
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
  job.size = st.st_size;
  job.chunks = static_cast<long>((st.st_size + static_cast<off_t>(kChunk) - 1) / static_cast<off_t>(kChunk));
  job.slot_count = 2L * jobs;
  Slot* slots = new Slot[static_cast<size_t>(job.slot_count)];
  job.slots = slots;
  job.next_chunk = job.written = 0;
  // This thread is one of the workers.
  auto* workers = new pthread_t[static_cast<size_t>(jobs)];
  int worker_count = 0;
  while (worker_count < jobs - 1 && start_thread(&workers[worker_count], worker, &job))
    ++worker_count;
  worker(&job);
  for (int t = 0; t < worker_count; ++t) pthread_join(workers[t], nullptr);
  delete[] workers;
  delete[] slots;
  close(fd);
  return true;
}

}  // namespace quorl
