// Runs a piece of code in a child process and collects what it wrote, so
// fatal paths (exit status 123) and printing can be checked from a test.
#ifndef ZBIG_TEST_CHILD_H
#define ZBIG_TEST_CHILD_H

#include <cstdio>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace zbig_test
{

struct child_result {
    int status; // exit status, or -1 when the child did not exit normally
    std::string out, err;
};

inline std::string drain(int fd)
{
    std::string s;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        s.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return s;
}

template <typename Body> child_result in_child(Body body)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return {-1, "", ""};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    close(out[1]);
    close(err[1]);
    // The outputs are small: read one pipe after the other.
    child_result r{-1, drain(out[0]), drain(err[0])};
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace zbig_test

#endif
