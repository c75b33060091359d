/* Linked into a bench built for coverage: a run ended by SIGTERM or SIGINT
   (fsmd-sim's wall-clock watchdog, Ctrl-C) still writes the counters it
   reached, which libgcov otherwise writes only at a normal exit. */
#include <signal.h>

void __gcov_dump(void);

static void write_counters_then_end(int sig)
{
    __gcov_dump();
    signal(sig, SIG_DFL);
    raise(sig);
}

__attribute__((constructor)) static void install_handlers(void)
{
    signal(SIGTERM, write_counters_then_end);
    signal(SIGINT, write_counters_then_end);
    signal(SIGHUP, write_counters_then_end);
}
