// linetidy: copies standard input to standard output, on request dropping the
// white space that starts each line and replacing tabs.
#include "options.hpp"
#include "stream_filter.hpp"

#include <unistd.h>

int main(int argc, char** argv)
{
    return linetidy::tidy_stream(STDIN_FILENO, STDOUT_FILENO, linetidy::parse_options(argc, argv));
}
