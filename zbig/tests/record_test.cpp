// Storage rules: growth, truncation, digit stores and the copying rule.
#include "differential.h"
#include "record.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zbig_test;

TEST(Record, ReallocGrowsTruncatesOrLeavesAlone)
{
    rec x((big(1) << 150) + 5); // 6 digits
    _mpz_realloc(x.p(), 9);
    EXPECT_EQ(x.r.len, 9u);
    EXPECT_EQ(value_of(x.p()), (big(1) << 150) + 5)
        << "growth keeps the value, new digits are zero";
    _mpz_realloc(x.p(), 1);
    EXPECT_EQ(x.r.len, 9u) << "truncation keeps the stored length";
    EXPECT_EQ(value_of(x.p()), 5);
    _mpz_realloc(x.p(), 0);
    EXPECT_EQ(abs(value_of(x.p())), 0) << "n = 0 zeroes every digit";
    EXPECT_EQ(x.r.sign, 1) << "truncation leaves the sign alone";
    mpz_rec cleared;
    mpz_init(&cleared);
    mpz_clear(&cleared);
    EXPECT_EQ(cleared.digits, nullptr);
    EXPECT_EQ(cleared.len, 0u);
    _mpz_realloc(&cleared, 1);
    EXPECT_EQ(cleared.digits, nullptr) << "n = 1 on a cleared record allocates nothing";
    _mpz_realloc(&cleared, 3);
    EXPECT_EQ(cleared.len, 3u) << "a cleared record grows from nothing";
    mpz_clear(&cleared);
}

TEST(Record, DigitStores)
{
    rec x;
    dgset(x.p(), 7, 0);
    EXPECT_EQ(x.r.len, 2u) << "a zero digit changes nothing, even beyond len";
    dgset(x.p(), 5, 0x3fffffff);
    EXPECT_EQ(x.r.len, 6u);
    EXPECT_EQ(x.r.digits[5], 0x3fffffff);
    EXPECT_EQ(x.r.sign, 0) << "dgset does not touch the sign";
    dgset(x.p(), 1, 9);
    EXPECT_EQ(x.r.len, 6u);
    EXPECT_EQ(x.r.digits[1], 9);
}

TEST(Record, SetFollowsTheCopyingRule)
{
    struct {
        uint32_t dst_len, src_len;
        big src;
        uint32_t want_len;
    } cases[] = {
        {10, 2, 5, 2},                  // shorter source re-creates the destination
        {2, 10, (big(1) << 80) + 1, 3}, // longer source: grow to its significant digits
        {4, 10, 5, 4},                  // longer source with fewer significant digits
        {5, 5, big(1) << 140, 5},       // equal lengths
        {3, 12, 0, 3},                  // zero source
    };
    for (const auto& c : cases) {
        rec d(0, c.dst_len), s(c.src, c.src_len - model::significant(c.src));
        ASSERT_EQ(s.r.len, std::max(c.src_len, 2u));
        ASSERT_EQ(d.r.len, c.dst_len);
        mpz_set(d.p(), s.p());
        EXPECT_EQ(d.r.len, c.want_len) << "from " << c.src_len << " into " << c.dst_len;
        EXPECT_EQ(value_of(d.p()), c.src);
        EXPECT_TRUE(well_formed(d.p()));
    }
    EXPECT_EQ(zbig::copied_length(10, 2, 1), 2u);
    EXPECT_EQ(zbig::copied_length(2, 10, 3), 3u);
}

namespace
{

// Runs body in a child process and returns its exit status and what it wrote
// to standard error.
std::pair<int, std::string> in_child(void (*body)())
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        body();
        _exit(0);
    }
    close(fds[1]);
    std::string err;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        err.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

bool sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

void limit_memory()
{
    rlimit lim{256u << 20, 256u << 20};
    setrlimit(RLIMIT_AS, &lim);
}

} // namespace

TEST(Fatal, MessagesAndExitStatus)
{
    auto [status, err] = in_child([] { fatal("mpz_set_str: invalid base"); });
    EXPECT_EQ(status, 123);
    EXPECT_EQ(err, "mpz_set_str: invalid base\n");
}

TEST(Fatal, FailedGrowthEndsTheProcess)
{
    if (sanitized())
        GTEST_SKIP() << "address-space limits do not apply under AddressSanitizer";
    struct {
        void (*body)();
        const char* message;
    } cases[] = {
        {[] {
             limit_memory();
             mpz_rec x;
             mpz_init(&x);
             _mpz_realloc(&x, 1u << 30);
         },
         "_mpz_realloc: cannot allocate memory\n"},
        {[] {
             limit_memory();
             mpz_rec x;
             mpz_init_set_ui(&x, 1);
             mpz_mul_2exp(&x, &x, 0xffffffffu);
         },
         "_mpz_realloc: cannot allocate memory\n"},
        {[] {
             limit_memory();
             mpz_rec x, y;
             mpz_init(&x);
             _mpz_realloc(&x, 5u << 20); // 20 MiB
             x.digits[(5u << 20) - 1] = 1;
             x.sign = 1;
             for (int i = 0; i < 100; ++i) // never releases: init_set must fail
                 mpz_init_set(&y, &x);
         },
         "mpz_init: cannot allocate memory\n"},
    };
    for (const auto& c : cases) {
        auto [status, err] = in_child(c.body);
        EXPECT_EQ(status, 123) << c.message;
        EXPECT_EQ(err, c.message);
    }
}
