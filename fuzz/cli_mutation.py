#!/usr/bin/env python3
"""Runs a program build over random command lines and damaged inputs, and
checks what a user relies on after every run.

usage: cli_mutation.py BUILD_DIR SECONDS [SEED]

Each run gets random options (short and long forms, good and bad values),
an input damaged in one of many ways (cut, flipped bytes, NUL bytes, pasted
GenBank text, gzip cut short or followed by other bytes, FASTQ, empty), and
output paths that may collide, be devices or lead through links; standard
output may be closed or full, and some runs are stopped by SIGTERM. Before
the run every output path holds known text. After it:
  - the program ended by itself with status 0, 1 or 2 (some pairs skipped;
    no crash, no sanitizer report), or after our SIGTERM with status 1 (its
    handler) or killed by it
    (before the handler was set, or after the files took their names or
    were kept as partial output);
  - a failed run left every earlier file as it was; a run that ended well
    replaced them; no temporary file is left behind;
  - "PATH.partial" files appear only after a failed run.
Prints a summary line and exits 1 on the first broken rule (its command is
printed, and its input kept in BUILD_DIR/cli-fuzz-failure/).
"""
import gzip
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEEDS = [os.path.join(SOURCE, "examples", "demo.fa"), os.path.join(SOURCE, "examples", "protein.fa"),
         os.path.join(SOURCE, "tests", "e2e", "dna_cases.fa")]
EARLIER = b"earlier content\n"


def damage(rng, data):
    """The input, damaged in one way (or left whole)."""
    kind = rng.randrange(14)
    if kind == 0:
        return data, "whole"
    if kind == 1:
        return data[:rng.randrange(len(data) + 1)], "cut"
    if kind == 2:
        b = bytearray(data)
        for _ in range(rng.randrange(1, 20)):
            b[rng.randrange(len(b))] = rng.randrange(256)
        return bytes(b), "flipped"
    if kind == 3:
        at = rng.randrange(len(data))
        return data[:at] + b"\0" + data[at:], "nul"
    if kind == 4:
        return bytes(rng.randrange(256) for _ in range(rng.randrange(3000))) + data, "binary head"
    if kind == 5:
        at = data.find(b"\n", rng.randrange(len(data))) + 1
        return data[:at] + b"        1 acgtacgtac gtacgtacgt\n" + data[at:], "genbank"
    packed = gzip.compress(data)
    if kind == 6:
        return packed, "gzip"
    if kind == 7:
        return packed[:rng.randrange(len(packed))], "gzip cut"
    if kind == 8:
        return packed[:-rng.randrange(1, 9)], "gzip tail cut"
    if kind == 9:
        return packed + bytes(rng.randrange(256) for _ in range(rng.randrange(1, 40))), "gzip trailing"
    if kind == 10:
        b = bytearray(packed)
        b[rng.randrange(10, len(b))] ^= 1 << rng.randrange(8)
        return bytes(b), "gzip flipped"
    if kind == 11:
        return b"@r1\nACGT\n+\nIIII\n" * 3, "fastq"
    if kind == 12:
        return rng.choice([b"", b"\n \n\t\n"]), "empty"
    return data.replace(b"A", b"R", rng.randrange(1, 30)), "iupac"


def number(rng):
    if rng.random() < 0.7:
        return rng.choice(["5", "3", "12", "0", "-7", "100"])
    return rng.choice(["5", "-5", "0", "abc", "1000001", "", "12x", "99999999999", "3", "-0", "+7", "1000000"])


def options(rng, work):
    """Random options and the output paths they name."""
    opts, outs = [], {}
    out = os.path.join(work, "out")
    if rng.random() < 0.35:
        out = rng.choice([os.path.join(work, "link"), os.path.join(work, "in.fa"), "/dev/null",
                          os.path.join(work, "nodir", "out"), os.path.join(work, "sub")])
    if rng.random() < 0.95:
        opts += rng.choice([["-O", out], ["--output", out], ["--output=" + out], ["-O" + out]])
        outs["O"] = out
    for _ in range(rng.randrange(6)):
        pick = rng.randrange(14)
        if pick == 0:
            opts += [rng.choice(["-G", "--gap-open"]), number(rng)]
        elif pick == 1:
            opts += [rng.choice(["-A", "--gap-extend"]), number(rng)]
        elif pick == 2:
            opts += [rng.choice(["-T", "--factor"]), number(rng)]
        elif pick == 3:
            opts += [rng.choice(["-C", "--min-length"]), number(rng)]
        elif pick == 4:
            opts += [rng.choice(["-t", "--threads", "--threads="])]
            opts[-1] += rng.choice(["1", "2", "4", "0", "300"]) if opts[-1].endswith("=") else ""
            if not opts[-1].startswith("--threads="):
                opts.append(rng.choice(["1", "2", "4", "0", "300"]))
        elif pick == 5:
            opts.append(rng.choice(["-P", "--protein"]))
        elif pick == 6:
            opts.append(rng.choice(["-L", "--local-only"]))
        elif pick == 7:
            opts.append(rng.choice(["-q", "--quiet"]))
        elif pick == 8:
            paf = rng.choice(["-", "/dev/null", "/dev/full", os.path.join(work, "x.paf"), os.path.join(work, "out.score"),
                              os.path.join(work, "nodir", "x.paf"), os.path.join(work, "paflink")])
            opts += ["--paf", paf]
            outs["paf"] = paf
        elif pick == 9:
            opts += ["--plot", rng.choice([os.path.join(work, "plots"), os.path.join(work, "out"), "/dev/null/x"])]
        elif pick == 10:
            opts += ["-S", rng.choice([os.path.join(SOURCE, "data", "BLOSUM"), os.path.join(work, "bad.matrix"),
                                       os.path.join(work, "in.fa"), os.path.join(work, "none")])]
        elif pick == 11:
            opts += ["--first-pair", rng.choice(["1", "5", "0", "x"])]
        elif pick == 12:
            opts.append(rng.choice(["-X", "--nope", "extra", "--inp=x", "-h", "-V"]))
        else:
            opts += rng.choice([["-I", "-"], ["--input", os.path.join(work, "in.fa")]])
    return opts, outs


def snapshot(work):
    files = {}
    for root, _, names in os.walk(work):
        for n in names:
            p = os.path.join(root, n)
            if os.path.islink(p):
                continue
            with open(p, "rb") as f:
                files[os.path.relpath(p, work)] = f.read()
    return files


def main(argv):
    build, seconds = os.path.abspath(argv[1]), float(argv[2])
    seed = int(argv[3]) if len(argv) > 3 else int(time.time())
    rng = random.Random(seed)
    seeds = [open(p, "rb").read() for p in SEEDS]
    deadline = time.time() + seconds
    runs = statuses = signalled = 0
    counts = {}
    while time.time() < deadline:
        runs += 1
        work = tempfile.mkdtemp(prefix="torva-cli-fuzz-")
        try:
            data, kind = damage(rng, rng.choice(seeds))
            counts[kind] = counts.get(kind, 0) + 1
            with open(os.path.join(work, "in.fa"), "wb") as f:
                f.write(data)
            for name in ("out", "out.loc", "out.score", "x.paf", "sub/keep"):
                os.makedirs(os.path.dirname(os.path.join(work, name)), exist_ok=True)
                with open(os.path.join(work, name), "wb") as f:
                    f.write(EARLIER)
            with open(os.path.join(work, "bad.matrix"), "w") as f:
                f.write(">m\nACGT\nA 1 2 3 4\nC 1 2000000 3 4\n")
            os.symlink(os.path.join(work, "out"), os.path.join(work, "link"))
            os.symlink(os.path.join(work, "out.score"), os.path.join(work, "paflink"))
            os.makedirs(os.path.join(work, "plots"))
            with open(os.path.join(work, "victim"), "wb") as f:
                f.write(EARLIER)
            for names in ("HBD_part_vs_HBB_part", "HBA_HUMAN_vs_HBB_HUMAN", "inside_vs_inside_partner"):
                os.symlink(os.path.join(work, "victim"), os.path.join(work, "plots", "0001_" + names + ".svg"))
            program = os.path.join(build, rng.choice(["torva", "torva-b"]))
            opts, outs = options(rng, work)
            command = [program, "-I", os.path.join(work, "in.fa")] + opts
            stdout = rng.choice(["pipe", "pipe", "full", "closed"])
            before = snapshot(work)
            kill = rng.random() < 0.1
            env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=99",
                       UBSAN_OPTIONS="halt_on_error=1:exitcode=98")
            kwargs = dict(stdin=open(os.path.join(work, "in.fa"), "rb"), stderr=subprocess.PIPE, env=env, cwd=work)
            if stdout == "full":
                kwargs["stdout"] = open("/dev/full", "wb")
            elif stdout == "closed":
                kwargs["stdout"] = None
                kwargs["pass_fds"] = ()
                command = ["sh", "-c", 'exec "$@" >&-', "sh"] + command
            else:
                kwargs["stdout"] = subprocess.PIPE
            proc = subprocess.Popen(command, **kwargs)
            if kill:
                time.sleep(rng.random() * 0.3)
                proc.send_signal(signal.SIGTERM)
                signalled += 1
            try:
                _, err = proc.communicate(timeout=120)
            except subprocess.TimeoutExpired:
                proc.kill()
                raise SystemExit(f"hang: {command}")
            err = err.decode("utf-8", "replace")
            status = proc.returncode
            problems = []
            if "Sanitizer" in err or "runtime error" in err or status not in (0, 1, 2):
                if not (kill and status == -signal.SIGTERM):
                    problems.append(f"status {status}: {err[-2000:]}")
            after = snapshot(work)
            if after.get("victim") != EARLIER:
                problems.append("a picture was written through a symbolic link")
            leftovers = [p for p in after if ".partial-" in p]
            if leftovers:
                problems.append(f"temporary files left: {leftovers}")
            partials = [p for p in after if p.endswith(".partial")]
            if partials and status in (0, 2):
                problems.append(f"partial files after a run that ended well: {partials}")
            if status == -signal.SIGTERM and not partials:
                # Ended by the signal before its handler was set or after the
                # files took their names: all as before, or all replaced.
                pass
            elif status not in (0, 2):
                # A failed run leaves every earlier file as it was.
                for name, content in before.items():
                    if after.get(name) != content:
                        problems.append(f"{name} changed by a failed run")
            statuses += status in (0, 2)
            if problems:
                keep = os.path.join(build, "cli-fuzz-failure")
                shutil.rmtree(keep, ignore_errors=True)
                shutil.copytree(work, keep, symlinks=True)
                print("FAIL (seed %d, run %d, %s, stdout %s):" % (seed, runs, kind, stdout), command)
                for p in problems:
                    print("  ", p)
                return 1
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print(f"cli fuzz: {runs} runs in {seconds:.0f} s (seed {seed}), {statuses} ended with status 0, "
          f"{signalled} sent SIGTERM; inputs: " + ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
