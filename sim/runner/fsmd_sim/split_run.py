"""Running a split of the any-design mode's tests: `--jobs N`, the N parts
at once, each by its own simulator process on the one library built for
the run, merged into one outcome; `--shard K/N`, part K alone, leaving in
its folder the manifest and results that `fsmd-sim merge` combines."""
import copy
import os

from .errors import BadInput
from .ghdl import read_text
from .merge import Part, merge_coverage, merge_parts, merged_part_count, write_results
from .run import execute, make_scratch, place, simulate, coverage_report
from . import shard_manifest
from .split import renumber_outcome, renumber_results

# The parts of --jobs, each in a folder of its own: DIR/.fsmd-sim/parts/K.
PARTS = "parts"


def run_shard(kit, job, settings, cache, shard):
    """Part K of N of the job's tests; returns its outcome, numbered as the
    whole run numbers its tests."""
    k, n = shard
    job.part = (k, n)
    manifest_path = os.path.join(settings.directory, shard_manifest.MANIFEST)
    # A manifest left by an earlier run would pass that run's results to
    # merge if this one stopped before writing its own.
    for name in (shard_manifest.MANIFEST, shard_manifest.TRACEFILE):
        try:
            os.remove(os.path.join(settings.directory, name))
        except FileNotFoundError:
            pass
        except OSError as e:
            raise BadInput(f"cannot remove the old {manifest_path}: {e.strerror}")
    outcome = execute(kit, job, settings, cache)
    if job.vectors is None:
        return outcome  # stopped before its tests were known: nothing to merge
    renumber_outcome(outcome, job.test_offset)
    results = os.path.join(settings.directory, job.results_file)
    if job.test_offset and os.path.isfile(results):
        place(settings.directory, job.results_file,
              renumber_results(read_text(results), job.test_offset).encode(), "results file")
    manifest = shard_manifest.describe(job, outcome, settings.backend, k, n)
    if settings.coverage and outcome.coverage is not None:
        import shutil
        from .coverage_report import TRACEFILE
        shutil.copyfile(os.path.join(settings.coverage, TRACEFILE),
                        os.path.join(settings.directory, shard_manifest.TRACEFILE))
        manifest["coverage"] = shard_manifest.TRACEFILE
    shard_manifest.write(settings.directory, manifest)
    return outcome


def run_jobs(kit, job, settings, cache, count):
    """The job's tests in count parts at once; returns the merged outcome
    and writes the merged results file (and coverage) into the run's
    folder."""
    return execute(kit, job, settings, cache,
                   lambda ghdl, design_use, scratch, gcov, kit_use:
                   _simulate_parts(kit, job, settings, ghdl, design_use, scratch, gcov, kit_use,
                                   count))


def _simulate_parts(kit, job, settings, ghdl, design_use, scratch, gcov, kit_use, count):
    import threading
    # No part without a test; a file without tests is one empty part.
    count = max(1, min(count, job.total_tests))
    runs = []
    for k in range(1, count + 1):
        part = job.part_job(k, count)
        folder = os.path.join(scratch, PARTS, str(k))
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as e:
            raise BadInput(f"cannot create {folder} for part {k} of the run: {e.strerror}")
        for name, data in part.part_vectors_inputs():
            place(folder, name, data, "input file")
        try:
            os.remove(os.path.join(folder, part.results_file))
        except FileNotFoundError:
            pass
        part_settings = copy.copy(settings)
        part_settings.directory = folder
        part_settings.coverage = os.path.join(folder, "coverage") if gcov else None
        runs.append((k, part, part_settings, make_scratch(folder)))

    done = {}

    def run(k, part, part_settings, part_scratch):
        try:
            outcome = simulate(kit, part, part_settings, ghdl, design_use, part_scratch)
            if gcov is not None:
                outcome.coverage = coverage_report(part, part_settings, gcov, design_use,
                                                   part_scratch, (kit, ghdl, kit_use),
                                                   outcome.counters)
            done[k] = outcome
        except BaseException as e:  # handed to the main thread, which raises it
            done[k] = e

    threads = [threading.Thread(target=run, args=r, daemon=True) for r in runs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    parts = []
    for k, part, part_settings, part_scratch in runs:
        outcome = done.get(k)
        if isinstance(outcome, BaseException):
            raise outcome
        renumber_outcome(outcome, part.test_offset)
        text = read_text(os.path.join(part_settings.directory, part.results_file))
        tracefile = None
        if gcov is not None:
            from .coverage_report import TRACEFILE
            tracefile = os.path.join(part_settings.coverage, TRACEFILE)
        parts.append(Part(shard_manifest.describe(part, outcome, settings.backend, k, count),
                          renumber_results(text, part.test_offset), outcome.tests, tracefile,
                          part_settings.directory))
    merged, text = merge_parts(parts)
    write_results(settings.directory, job.results_file, text)
    # Messages beyond those shown are in the parts' logs; the first part's is named.
    merged.run_log = os.path.join(runs[0][3], "simulation.log")
    if gcov is not None:
        # The tests of parts after a hang are left out of the report, and so
        # is their coverage.
        used = parts[:merged_part_count(parts)]
        merged.coverage = merge_coverage(settings.coverage, [p.tracefile for p in used],
                                         scratch, job.name)
    return merged
