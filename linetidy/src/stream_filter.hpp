// Runs the filter from one file descriptor to another in large blocks.
#pragma once

#include "tidy_filter.hpp"

namespace linetidy
{

// Reads `in_fd` to its end, filtering each block and writing it to
// `out_fd` before the next read, so memory stays constant whatever the size of
// the input. Returns the exit status: 0 at end of input; 1 after a read or
// write error, which it names in one line on standard error
// ("linetidy: write error: No space left on device").
int tidy_stream(int in_fd, int out_fd, Options options);

} // namespace linetidy
