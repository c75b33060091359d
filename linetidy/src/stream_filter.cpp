#include "stream_filter.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace linetidy
{

namespace
{

// Larger than a pipe's buffer, so a read takes all a pipe holds, and small
// enough to stay in the second-level cache. Blocks from 64 KiB to 2 MiB
// timed alike with bench/linetidy_speed.py on a 2-core AMD EPYC guest.
constexpr std::size_t block_size = 128 * 1024;

int report(const char* what, int error)
{
    std::fprintf(stderr, "linetidy: %s error: %s\n", what, std::strerror(error));
    return 1;
}

// A descriptor inherited in non-blocking mode answers EAGAIN; wait until it is
// ready instead of taking that for an error.
bool wait_until_ready(int fd, short events)
{
    pollfd ready{fd, events, 0};
    while (poll(&ready, 1, -1) < 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// Returns 0 or the errno of the failed write.
int write_all(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = write(fd, data, size);
        if (done >= 0) {
            data += done;
            size -= static_cast<std::size_t>(done);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!wait_until_ready(fd, POLLOUT))
                return errno;
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace

int tidy_stream(int in_fd, int out_fd, Options options)
{
    // Static so that the program needs no heap at all.
    static unsigned char block[block_size];
    static unsigned char filtered[block_size];
    TidyFilter filter(options);
    for (;;) {
        const ssize_t got = read(in_fd, block, sizeof block);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (wait_until_ready(in_fd, POLLIN))
                    continue;
            }
            return report("read", errno);
        }
        const std::size_t kept = filter.filter(block, static_cast<std::size_t>(got), filtered);
        if (const int error = write_all(out_fd, filtered, kept))
            return report("write", error);
    }
}

} // namespace linetidy
