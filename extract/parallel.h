// Editing a large file on several threads.
//
// A regular file whose lines are edited independently of each other (see
// RuleSet::lines_independent) is cut into chunks at line boundaries; worker
// threads, each with an editor of its own over the one compiled rule set,
// read and edit the chunks, and the results go to the sink in order. What
// goes out, and the fault that stops it, is exactly what editing the file
// line by line gives: at a fault in line k, the lines before k go out, then
// the run stops with the fault. Memory is bounded by a few chunks per
// thread, whatever the file's size. Nothing here prints or ends the process.
#ifndef QUORL_EXTRACT_PARALLEL_H
#define QUORL_EXTRACT_PARALLEL_H

#include <cstddef>
#include <functional>

#include "extract/pipeline.h"
#include "support/bytebuf.h"

namespace quorl {

// ChunkSink: takes n bytes of edited whole lines; false stops the run.
using ChunkSink = std::function<bool(const char* text, size_t n)>;

// ParallelEdit: how a run that was taken ended: code none when every line
// went to the sink; else the fault and its message.
struct ParallelEdit {
  ErrorCode code = ErrorCode::none;
  ByteBuf message;
};

// edit_file_in_parallel: the regular file name edited by rules on jobs
// threads, every result handed to sink in order; false (nothing done) when
// the rules, the limit (lines of limit bytes are too long; it must be set)
// or the file (too small to gain from it, not a regular file) do not allow
// it. A line holding a NUL byte is a fault when refuse_nul, else its text
// ends at the NUL. A file that shrinks while it is read is edited as far as
// it could be read.
bool edit_file_in_parallel(const char* name, const RuleSet& rules, int jobs, size_t limit, bool refuse_nul,
                           const ChunkSink& sink, ParallelEdit* outcome);

}  // namespace quorl

#endif
