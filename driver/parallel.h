// Editing a large file on several threads.
//
// A regular file whose lines are edited independently of each other (see
// RuleSet::lines_independent) is cut into chunks at line boundaries; worker
// threads, each with an editor of its own over the one compiled rule set,
// read and edit the chunks, and the results are written in order. What is
// written, and what is reported, is exactly what editing the file line by
// line gives: at a fault in line k, the lines before k are written, then
// the message, and the run ends with status 1. Memory is bounded by a few
// chunks per thread, whatever the file's size.
#ifndef QUORL_DRIVER_PARALLEL_H
#define QUORL_DRIVER_PARALLEL_H

#include "extract/pipeline.h"

namespace quorl {

// default_jobs: the number of processors this process may run on.
int default_jobs();

// edit_file_in_parallel: the regular file name edited by rules on jobs
// threads, every result line handed to write_output; false (nothing done)
// when the file is too small to gain from it or cannot be opened as a
// regular file. A fault ends the process as the line loop would; so does a
// line holding a NUL byte when refuse_nul. A file that shrinks while it is
// read is edited as far as it could be read.
bool edit_file_in_parallel(const char* name, const RuleSet& rules, int jobs, bool refuse_nul);

}  // namespace quorl

#endif
