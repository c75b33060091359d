// Runs the built linetidy program the way shells do: through pipes, files and
// devices, with its exit status and standard error checked.
#include "random_input.hpp"
#include "reference_model.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using linetidy_test::describe_input;
using linetidy_test::escaped;
using linetidy_test::random_input;
using linetidy_test::reference_tidy;

struct Pipe {
    int read_end = -1;
    int write_end = -1;
    Pipe()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            ADD_FAILURE() << "pipe2: " << std::strerror(errno);
        read_end = fds[0];
        write_end = fds[1];
    }
    ~Pipe()
    {
        close_read();
        close_write();
    }
    void close_read()
    {
        if (read_end >= 0)
            close(read_end);
        read_end = -1;
    }
    void close_write()
    {
        if (write_end >= 0)
            close(write_end);
        write_end = -1;
    }
};

// The test process itself must survive writing to a program that has already
// stopped reading; the program gets the default disposition back (or keeps
// SIGPIPE ignored when a test asks for that).
class LinetidyProgram : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { std::signal(SIGPIPE, SIG_IGN); }
};

pid_t spawn(const std::vector<std::string>& args, int in_fd, int out_fd, int err_fd,
            bool keep_sigpipe_ignored = false)
{
    std::vector<char*> argv{const_cast<char*>(LINETIDY_PROGRAM)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!keep_sigpipe_ignored)
            std::signal(SIGPIPE, SIG_DFL);
        if (dup2(in_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    EXPECT_GT(pid, 0) << "fork: " << std::strerror(errno);
    return pid;
}

struct Ending {
    bool hung = false;
    bool exited = false;
    int exit_status = -1;
    int signal = 0;
};

// Waits for the program; one that is still running after a minute has hung
// and is killed, so a hang fails the test instead of stalling the suite.
Ending wait_for(pid_t pid)
{
    Ending ending;
    int status = 0;
    for (int tick = 0;; ++tick) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            ADD_FAILURE() << "waitpid: " << std::strerror(errno);
            return ending;
        }
        if (tick == 6000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ending.hung = true;
            return ending;
        }
        const timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    ending.exited = WIFEXITED(status);
    ending.exit_status = ending.exited ? WEXITSTATUS(status) : -1;
    ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return ending;
}

std::string read_all(int fd)
{
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0)
            data.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            return data;
    }
}

void write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = write(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return; // the program stopped reading; its exit status tells why
        data += done;
        size -= static_cast<std::size_t>(done);
    }
}

struct RunResult {
    Ending ending;
    std::string out;
    std::string err;
};

// Feeds `input` through a pipe in pieces of the given sizes (cycled), from a
// thread of its own, and collects standard output and standard error.
RunResult run_piped(const std::vector<std::string>& args, const std::string& input,
                    const std::vector<std::size_t>& pieces = {1 << 16})
{
    Pipe in, out, err;
    const pid_t pid = spawn(args, in.read_end, out.write_end, err.write_end);
    in.close_read();
    out.close_write();
    err.close_write();
    std::thread feeder([&] {
        std::size_t pos = 0;
        for (std::size_t i = 0; pos < input.size(); ++i) {
            const std::size_t size = std::min(pieces[i % pieces.size()], input.size() - pos);
            write_all(in.write_end, input.data() + pos, size);
            pos += size;
        }
        in.close_write();
    });
    RunResult run;
    run.out = read_all(out.read_end);
    run.err = read_all(err.read_end);
    feeder.join();
    run.ending = wait_for(pid);
    return run;
}

void expect_success(const RunResult& run)
{
    EXPECT_FALSE(run.ending.hung);
    EXPECT_TRUE(run.ending.exited) << "signal " << run.ending.signal;
    EXPECT_EQ(run.ending.exit_status, 0);
    EXPECT_EQ(run.err, "");
}

// The command line reaches the filter: exact options in any order and number,
// everything else ignored.
TEST_F(LinetidyProgram, OptionsFromTheCommandLine)
{
    const std::string input = "  \t\tx\ty\n\n\tz \n";
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    } const cases[] = {
        {{}, input},
        {{"-notabs"}, "    x y\n\nz \n"},
        {{"-noprecspaces"}, "\t\tx\ty\n\tz \n"},
        {{"-notabs", "-noprecspaces"}, "  x y\nz \n"},
        {{"-noprecspaces", "x.vhd", "-notabs", "-notabs"}, "  x y\nz \n"},
        {{"-NOTABS", "-noprecspace", "--notabs"}, input},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args)
            shown += " " + arg;
        SCOPED_TRACE("linetidy" + shown);
        const RunResult run = run_piped(c.args, input);
        expect_success(run);
        EXPECT_EQ(escaped(run.out), escaped(c.expected));
    }
}

TEST_F(LinetidyProgram, EmptyInputGivesEmptyOutput)
{
    const RunResult run = run_piped({"-noprecspaces", "-notabs"}, "");
    expect_success(run);
    EXPECT_EQ(run.out, "");
}

// Whole program against the model, input delivered in odd-sized pieces so
// that reads come back short and lines straddle reads and blocks.
TEST_F(LinetidyProgram, MatchesModelThroughPipeInOddPieces)
{
    struct OptionSet {
        std::vector<std::string> args;
        bool noprecspaces;
        bool notabs;
    } const option_sets[] = {{{}, false, false},
                             {{"-noprecspaces"}, true, false},
                             {{"-notabs"}, false, true},
                             {{"-notabs", "-noprecspaces"}, true, true}};
    for (std::uint64_t seed = 1; seed <= 24; ++seed) {
        std::mt19937_64 rng(seed * 104729);
        const OptionSet& options = option_sets[seed % 4];
        const std::size_t size = seed % 6 == 0 ? 300000 + rng() % 200000 : rng() % 20000;
        const std::string input = random_input(rng, size);
        std::vector<std::size_t> pieces;
        for (int i = 0; i < 16; ++i)
            pieces.push_back(i % 3 == 0 ? 1 + rng() % 7 : 1 + rng() % 9000);
        const RunResult run = run_piped(options.args, input, pieces);
        expect_success(run);
        const std::string expected = reference_tidy(input, options.noprecspaces, options.notabs);
        if (run.out != expected) {
            std::string shown;
            for (const std::string& arg : options.args)
                shown += " " + arg;
            FAIL() << "linetidy" << shown << " on " << describe_input(input, seed * 104729)
                   << "\ngot " << escaped(run.out.substr(0, 400)) << "\nexpected "
                   << escaped(expected.substr(0, 400)) << " (first 400 bytes; " << run.out.size()
                   << " and " << expected.size() << " bytes in all)";
        }
    }
}

// A full disk is reported, not taken for success.
TEST_F(LinetidyProgram, WriteErrorIsReported)
{
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        GTEST_SKIP() << "no /dev/full here";
    Pipe in, err;
    const pid_t pid = spawn({"-notabs"}, in.read_end, full, err.write_end);
    close(full);
    in.close_read();
    err.close_write();
    write_all(in.write_end, "\tint x;\n", 8);
    in.close_write();
    const std::string message = read_all(err.read_end);
    const Ending ending = wait_for(pid);
    EXPECT_FALSE(ending.hung);
    EXPECT_TRUE(ending.exited);
    EXPECT_EQ(ending.exit_status, 1);
    EXPECT_EQ(message, "linetidy: write error: No space left on device\n");
}

TEST_F(LinetidyProgram, ReadErrorIsReported)
{
    // Reading a directory fails with EISDIR on Linux.
    const int directory = open(".", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(directory, 0);
    Pipe out, err;
    const pid_t pid = spawn({}, directory, out.write_end, err.write_end);
    close(directory);
    out.close_write();
    err.close_write();
    const std::string output = read_all(out.read_end);
    const std::string message = read_all(err.read_end);
    const Ending ending = wait_for(pid);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(ending.exited);
    EXPECT_EQ(ending.exit_status, 1);
    EXPECT_EQ(message, "linetidy: read error: Is a directory\n");
}

// `linetidy < endless | head` must end once head has gone: by SIGPIPE, as
// filters usually do, or, where the caller ignores SIGPIPE, with a message
// and status 1. Either way it must not keep running.
TEST_F(LinetidyProgram, ClosedOutputPipeEndsTheRun)
{
    for (const bool ignore_sigpipe : {false, true}) {
        for (const bool read_some_first : {false, true}) {
            SCOPED_TRACE(std::string(ignore_sigpipe ? "SIGPIPE ignored" : "SIGPIPE default") +
                         (read_some_first ? ", reader leaves midway" : ", no reader"));
            const int endless = open("/dev/zero", O_RDONLY | O_CLOEXEC);
            ASSERT_GE(endless, 0);
            Pipe out, err;
            if (!read_some_first)
                out.close_read();
            const pid_t pid =
                spawn({"-noprecspaces"}, endless, out.write_end, err.write_end, ignore_sigpipe);
            close(endless);
            out.close_write();
            err.close_write();
            if (read_some_first) {
                char some[1000];
                EXPECT_GT(read(out.read_end, some, sizeof some), 0);
                out.close_read();
            }
            const std::string message = read_all(err.read_end);
            const Ending ending = wait_for(pid);
            ASSERT_FALSE(ending.hung);
            if (ignore_sigpipe) {
                EXPECT_TRUE(ending.exited);
                EXPECT_EQ(ending.exit_status, 1);
                EXPECT_EQ(message, "linetidy: write error: Broken pipe\n");
            } else {
                EXPECT_EQ(ending.signal, SIGPIPE);
                EXPECT_EQ(message, "");
            }
        }
    }
}

// Descriptors inherited in non-blocking mode answer "try again" when a pipe
// is empty or full; that is waiting, not an error. The pauses make both
// cases happen; the outcome does not depend on them.
TEST_F(LinetidyProgram, NonBlockingDescriptorsAreWaitedOn)
{
    std::mt19937_64 rng(2024);
    const std::string input = random_input(rng, 1 << 20);
    Pipe in, out, err;
    fcntl(in.read_end, F_SETFL, O_NONBLOCK);
    fcntl(out.write_end, F_SETFL, O_NONBLOCK);
    const pid_t pid =
        spawn({"-noprecspaces", "-notabs"}, in.read_end, out.write_end, err.write_end);
    in.close_read();
    out.close_write();
    err.close_write();
    std::thread feeder([&] {
        const timespec pause{0, 100 * 1000 * 1000};
        nanosleep(&pause, nullptr); // the program finds its input empty
        write_all(in.write_end, input.data(), input.size());
        in.close_write();
    });
    const timespec pause{0, 300 * 1000 * 1000};
    nanosleep(&pause, nullptr); // the program finds its output full
    const std::string output = read_all(out.read_end);
    const std::string message = read_all(err.read_end);
    feeder.join();
    const Ending ending = wait_for(pid);
    EXPECT_TRUE(ending.exited);
    EXPECT_EQ(ending.exit_status, 0);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(output == reference_tidy(input, true, true)) << "output differs from the model";
}

} // namespace
