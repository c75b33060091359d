"""The manifest a part of a split run leaves in its folder
(fsmd-sim-shard.json): which part of how many, its tests, what identifies
the run (vectors file, entity, options, design), and the part's own
judgement (status, detail, messages, the failure lines with their
vectors-file lines). `fsmd-sim merge` reads it to combine parts that ran
anywhere, and refuses parts of different runs."""
import hashlib
import json
import os

from .errors import BadInput

MANIFEST = "fsmd-sim-shard.json"
# The part's coverage tracefile, copied beside the manifest so that the part's
# folder alone is what merge needs.
TRACEFILE = "fsmd-sim-shard-coverage.info"
FORMAT = 1
# The fields that must agree between the parts of one run, with what a
# mismatch means to the user.
SAME_RUN = (("shards", "number of shards"), ("entity", "entity"),
            ("tests_in_file", "number of tests in the vectors file"),
            ("vectors_sha256", "vectors file"), ("options_sha256", "design or options"))


def sha256_hex(data):
    return hashlib.sha256(data).hexdigest()


def options_digest(job, backend):
    """What besides the vectors decides a part's results: the bench's
    options, the back end and the design's files (their contents)."""
    h = hashlib.sha256()
    h.update(json.dumps({"options": vars(job.options), "backend": backend},
                        sort_keys=True, default=_by_content).encode())
    for copy_name, _, data in job.sources.items:
        if job.is_design_source(copy_name):
            h.update(b"\0" + sha256_hex(data).encode())
    return h.hexdigest()


def _by_content(value):
    """An option value that JSON has no form for (a --memory or --stream
    description, a set of names), by what it holds: never by its identity,
    which differs from run to run and would make shards of one run look
    like parts of two."""
    if isinstance(value, (set, frozenset)):
        return sorted(value, key=repr)
    if hasattr(value, "__dict__"):
        return {"kind": type(value).__name__, **vars(value)}
    return str(value)


def _once(job, name, compute):
    """A digest computed once per run: the parts of --jobs share their
    job's digests (copy.copy), and a million vectors take a while to hash."""
    digests = job.digests
    if name not in digests:
        digests[name] = compute()
    return digests[name]


def describe(job, outcome, backend, shard, shards):
    """The manifest of a finished part: job is the part's DesignJob, outcome
    its judgement with the whole run's test numbers."""
    first = job.test_offset
    return {
        "format": FORMAT,
        "shard": shard,
        "shards": shards,
        "first_test": first + 1,
        "last_test": first + job.vectors.count(),
        "tests_in_file": job.tests_in_file,
        "entity": job.name,
        "vectors_file": os.path.abspath(job.vectors_path),
        "vectors_sha256": _once(job, "vectors_sha256", lambda: sha256_hex(
            job.vectors_text.encode("utf-8", "surrogateescape"))),
        "options_sha256": _once(job, "options_sha256", lambda: options_digest(job, backend)),
        "backend": backend,
        "results_file": job.results_file,
        "status": outcome.status,
        "detail": outcome.detail,
        "note": outcome.note,
        "verdict_line": outcome.verdict_line,
        "messages": outcome.messages,
        "unexpected": outcome.unexpected,
        "failures": {str(t.number): t.line for t in outcome.failed},
        "coverage": None,
    }


def write(directory, manifest):
    path = os.path.join(directory, MANIFEST)
    tmp = path + ".fsmd-sim-new"
    try:
        with open(tmp, "w") as f:
            json.dump(manifest, f, indent=1, ensure_ascii=True)
            f.write("\n")
        os.replace(tmp, path)
    except OSError as e:
        raise BadInput(f"cannot write the shard manifest {path}: {e.strerror}")


def read(directory):
    """The manifest in directory, checked for the fields merge relies on."""
    path = os.path.join(directory, MANIFEST)
    try:
        with open(path, "rb") as f:
            data = json.loads(f.read().decode("utf-8"))
    except FileNotFoundError:
        raise BadInput(f"{directory} holds no shard ({MANIFEST} is missing):"
                       " give the --dir of an fsmd-sim --shard run")
    except OSError as e:
        raise BadInput(f"cannot read {path}: {e.strerror}")
    except ValueError as e:
        raise BadInput(f"{path} is damaged: {e}")
    if not isinstance(data, dict) or data.get("format") != FORMAT:
        raise BadInput(f"{path} is not a shard manifest of this fsmd-sim")
    kinds = {"shard": int, "shards": int, "first_test": int, "last_test": int,
             "tests_in_file": int, "entity": str, "vectors_sha256": str, "options_sha256": str,
             "results_file": str, "status": int, "detail": str, "note": str, "messages": list,
             "unexpected": list, "failures": dict}
    for name, kind in kinds.items():
        if not isinstance(data.get(name), kind) or isinstance(data.get(name), bool):
            raise BadInput(f"{path} is damaged: its field {name!r} is missing or not a {kind.__name__}")
    if (not 1 <= data["shard"] <= data["shards"] or data["status"] not in (0, 1, 2, 3)
            or os.sep in data["results_file"] or data["results_file"] in ("", ".", "..")
            or (data.get("coverage") is not None and data["coverage"] != TRACEFILE)
            or not all(isinstance(v, str) for v in data["messages"] + data["unexpected"])
            or not all(k.isdigit() and isinstance(v, str) for k, v in data["failures"].items())):
        raise BadInput(f"{path} is damaged: its values are out of range")
    return data
