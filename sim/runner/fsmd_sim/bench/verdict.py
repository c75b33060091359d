"""The head of each test's line of results and the run's verdict: the last
line of the results file and the final report, whose place in the bench
tells fsmd-sim how the run ended.

The final report is a note, not a failing assertion: the bench then stops
its clock and the simulation ends when the design has nothing left to do.
A failing assertion would end it at once, but on GHDL's gcc back end it
also prints a backtrace, whose reading of the compressed debugging
information costs more than a short run itself."""
from .template import lines

PASSED_REPORT = "NONE. End simulation time reached"
FAILED_REPORT = "ERRORS. End simulation time reached"
# How GHDL labels the final report on the console.
FINAL_REPORT_KIND = "report note"
# The line before the verdict when the run stopped at its failure limit.
STOPPED_TEXT = "run stopped at --max-failures "


def one_line_per_test(names):
    """The next test: the next line of the vectors file, until its end."""
    return {"next_test": [f"exit when endfile({names.vectors});",
                          f"readline({names.vectors}, {names.vector});"]}


def results_and_verdict(names, options=None, tests_follow=None):
    """options.passing_values: whether a passing test's line shows the
    ports' values (always true for a failing test's). tests_follow: the
    VHDL condition under which a test comes after the one just checked
    (default: the vectors file has another line), which the line that says
    the run stopped at its failure limit needs: at the last test, the limit
    stops nothing."""
    if tests_follow is None:
        tests_follow = f"not endfile({names.vectors})"
    result, failures = names.result, names.own("failures")
    max_failures = names.own("max_failures")
    passing_values = "true" if getattr(options, "passing_values", False) else "false"
    return {
        "declarations": [
            "-- Whether a passing test's line of results shows its values.",
            f"constant {names.own('passing_values')} : boolean := {passing_values};",
        ],
        "bench_variables": [f"variable {failures} : natural := 0;",
                            f"variable {max_failures} : natural;"],
        "before_tests": lines(f"""
            -- The first line of the vectors file: the failed tests after which the
            -- run stops (--max-failures; 0: it runs every test).
            readline({names.vectors}, {names.vector});
            read({names.vector}, {max_failures});
        """),
        "after_test": lines(f"""
            -- The failure limit reached: the verdict follows at once, after a line
            -- that says so when tests are left that do not run.
            if {max_failures} /= 0 and {failures} = {max_failures} then
              if {tests_follow} then
                write({result}, string'("{STOPPED_TEXT}"));
                write({result}, {max_failures});
                write({result}, string'(": the tests after this one did not run"));
                writeline({names.results}, {result});
              end if;
              exit;
            end if;
        """),
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
              report "{PASSED_REPORT}" severity note;
            else
              write({result}, string'("{names.failed_verdict}"));
              writeline({names.results}, {result});
              report "{FAILED_REPORT}" severity note;
            end if;
        """),
    }
