"""The head of each test's line of results and the run's verdict: the last
line of the results file and the final report, whose place in the bench
tells fsmd-sim how the run ended."""
from .template import lines

PASSED_REPORT = "NONE. End simulation time reached"
FAILED_REPORT = "ERRORS. End simulation time reached"


def results_and_verdict(names):
    result, failures = names.result, names.own("failures")
    return {
        "bench_variables": [f"variable {failures} : natural := 0;"],
        "result_head": lines(f"""
            write({result}, string'("test "));
            write({result}, {names.number});
            if {names.passed} then
              write({result}, string'(" passed:"));
            else
              {failures} := {failures} + 1;
              write({result}, string'(" FAILED at "));
              write({result}, now);
              write({result}, string'(":"));
            end if;
        """),
        "after_tests": lines(f"""
            if {failures} = 0 then
              write({result}, string'("{names.passed_verdict}"));
              writeline({names.results}, {result});
              assert false report "{PASSED_REPORT}" severity failure;
            else
              write({result}, string'("{names.failed_verdict}"));
              writeline({names.results}, {result});
              assert false report "{FAILED_REPORT}" severity failure;
            end if;
        """),
    }
