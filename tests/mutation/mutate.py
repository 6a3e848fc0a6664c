#!/usr/bin/python3
"""Mutation testing: do the test suites notice a single-line fault in the product code?

Each mutant of mutants.txt names a file, one line of it (found by its text, so that it survives
edits elsewhere in the file) and what that line becomes. The harness copies the tree to a
scratch folder once, then for each mutant writes the fault into the copy, rebuilds incrementally
in one reused build folder, and runs the test programs of the mutated folder. A mutant is
killed when a test fails, crashes or times out, and survives when every test passes. A mutant
whose line is no longer in its file is stale: reported, not counted. Mutants marked equivalent
(they cannot change what the program does) are listed with their reason and not run.

    tests/mutation/mutate.py                  # every mutant
    tests/mutation/mutate.py map coords       # the mutants of these folders only
    tests/mutation/mutate.py --id map.size    # the mutants whose id starts so
    tests/mutation/mutate.py --check          # only report stale and ambiguous mutants

The scratch folder (default: $TMPDIR/quorv-mutation, or --scratch DIR) is kept between runs, so
a second run rebuilds only what changed. The worktree itself is never written.
"""

import argparse
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent

# What the copy leaves out: build trees, version control, editor droppings.
EXCLUDES = [".git", "build", "build-*", "__pycache__", ".cache"]


def excluded(name):
    return any(fnmatch.fnmatch(name, e) for e in EXCLUDES)


@dataclass
class Mutant:
    ident: str
    path: str
    original: str
    replacement: str
    equivalent: str = ""
    lineno: int = 0  # in the list file

    @property
    def folder(self):
        return self.path.split("/", 1)[0]


@dataclass
class MutantList:
    mutants: list = field(default_factory=list)
    suites: dict = field(default_factory=dict)  # folder -> test programs (build-relative)


def parse_list(path):
    """Reads the list: `suites FOLDER: PROGRAM...` lines, then blocks of

        [id] folder/file.cpp
        - original line (leading and trailing blanks ignored)
        + replacement line (a lone "+" drops the line)
        = equivalent: why it cannot change behaviour   (optional)
    """
    result = MutantList()
    current = None
    errors = []
    for n, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.rstrip()
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        m = re.match(r"^suites\s+(\S+):\s*(.*)$", line)
        if m:
            result.suites[m.group(1)] = m.group(2).split()
            continue
        m = re.match(r"^\[([^\]]+)\]\s+(\S+)$", line)
        if m:
            current = Mutant(m.group(1), m.group(2), None, None, lineno=n)
            result.mutants.append(current)
            continue
        if current is None:
            errors.append(f"{path.name}:{n}: text outside a mutant")
            continue
        if line.startswith("- "):
            current.original = line[2:].strip()
        elif line.startswith("+ ") or line == "+":
            current.replacement = line[2:].strip() if line != "+" else ""
        elif line.startswith("= equivalent:"):
            current.equivalent = line.split(":", 1)[1].strip()
        else:
            errors.append(f"{path.name}:{n}: cannot read '{line}'")
    seen = set()
    for mu in result.mutants:
        if mu.original is None or mu.replacement is None:
            errors.append(f"{path.name}:{mu.lineno}: [{mu.ident}] needs a '-' and a '+' line")
        if mu.ident in seen:
            errors.append(f"{path.name}:{mu.lineno}: [{mu.ident}] is not unique")
        seen.add(mu.ident)
    if errors:
        sys.exit("\n".join(errors))
    return result


def locate(text, original):
    """Indexes of the lines of text whose content (blanks trimmed) is original."""
    return [i for i, l in enumerate(text.split("\n")) if l.strip() == original]


def mutate_text(text, index, replacement):
    lines = text.split("\n")
    indent = lines[index][: len(lines[index]) - len(lines[index].lstrip())]
    lines[index] = indent + replacement if replacement else ""
    return "\n".join(lines)


def run(cmd, cwd=None, timeout=None, log=None):
    """Runs cmd; returns (returncode or 'timeout', combined output)."""
    try:
        p = subprocess.run(cmd, cwd=cwd, timeout=timeout, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        return "timeout", out


class Scratch:
    def __init__(self, folder, jobs):
        self.folder = folder
        self.src = folder / "src"
        self.build = folder / "build"
        self.jobs = jobs

    def sync(self):
        """Makes the copy match the tree. A file is written only when its text differs, and
        then with the current time: the tree's own time may be older than an object built from
        a mutant of that file, and the build would keep the object."""
        self.src.mkdir(parents=True, exist_ok=True)
        wanted = set()
        for folder, dirs, files in os.walk(ROOT):
            rel = Path(folder).relative_to(ROOT)
            dirs[:] = [d for d in dirs if not excluded(d)]
            (self.src / rel).mkdir(exist_ok=True)
            wanted.add(rel)
            for name in files:
                if excluded(name):
                    continue
                src, dst = Path(folder) / name, self.src / rel / name
                wanted.add(rel / name)
                data = src.read_bytes()
                if not dst.exists() or dst.read_bytes() != data:
                    dst.write_bytes(data)
                    shutil.copymode(src, dst)
        for folder, dirs, files in os.walk(self.src, topdown=False):
            rel = Path(folder).relative_to(self.src)
            for name in files:
                if rel / name not in wanted:
                    (Path(folder) / name).unlink()
            if rel not in wanted:
                shutil.rmtree(folder, ignore_errors=True)

    def configure(self):
        if (self.build / "build.ninja").exists():
            return
        rc, out = run(["cmake", "-S", str(self.src), "-B", str(self.build), "-G", "Ninja",
                       "-DCMAKE_BUILD_TYPE=Release", "-DQUORV_BUILD_BENCH=OFF"])
        if rc != 0:
            sys.exit(f"configuring the scratch build failed:\n{out}")

    def compile(self, targets=None):
        """Builds the targets, or everything (as some tests install the whole build)."""
        cmd = ["nice", "-n", "10", "cmake", "--build", str(self.build), "-j", str(self.jobs)]
        return run(cmd + (["--target"] + targets if targets else []))

    # Both leave the file newer than any object built from it, so the next build redoes it.
    def apply(self, mutant, text):
        (self.src / mutant.path).write_text(text)

    def restore(self, mutant, original):
        (self.src / mutant.path).write_text(original)


def targets_of(programs):
    return sorted({Path(p).name for p in programs})


def run_tests(build, programs, timeout):
    """Runs the programs until one fails; returns None when all pass, else why."""
    for prog in programs:
        rc, out = run(["nice", "-n", "10", str(build / prog), "--gtest_brief=1",
                       "--gtest_fail_fast"], cwd=build, timeout=timeout)
        if rc == "timeout":
            return f"{Path(prog).name}: timed out after {timeout:.0f} s"
        if rc != 0:
            failed = re.findall(r"^\[  FAILED  \] (\S+)", out, re.M)
            what = failed[0] if failed else f"exit status {rc}"
            return f"{Path(prog).name}: {what}"
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("folders", nargs="*", help="only the mutants of these folders")
    ap.add_argument("--id", action="append", default=[], help="only mutants whose id starts so")
    ap.add_argument("--list", type=Path, default=HERE / "mutants.txt")
    ap.add_argument("--scratch", type=Path,
                    default=Path(tempfile.gettempdir()) / "quorv-mutation")
    ap.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    ap.add_argument("--timeout", type=float, default=0,
                    help="seconds per test program (default: 10 x its unmutated time + 20)")
    ap.add_argument("--check", action="store_true", help="only report stale mutants")
    ap.add_argument("-v", "--verbose", action="store_true", help="print build failures")
    args = ap.parse_args()

    lst = parse_list(args.list)
    chosen = [m for m in lst.mutants
              if (not args.folders or m.folder in args.folders)
              and (not args.id or any(m.ident.startswith(i) for i in args.id))]
    for m in chosen:
        if m.folder not in lst.suites:
            sys.exit(f"[{m.ident}]: no 'suites {m.folder}:' line in {args.list.name}")

    # Locate every mutant first: stale and ambiguous ones are reported, not run.
    sources = {}
    status = {}
    for m in chosen:
        if m.path not in sources:
            f = ROOT / m.path
            sources[m.path] = f.read_text() if f.exists() else None
        text = sources[m.path]
        hits = locate(text, m.original) if text is not None else []
        if m.equivalent:
            status[m.ident] = ("equivalent", m.equivalent)
        elif not hits:
            status[m.ident] = ("stale", "line not found")
        elif len(hits) > 1:
            status[m.ident] = ("stale", f"line found {len(hits)} times")
    if args.check:
        for m in chosen:
            if m.ident in status and status[m.ident][0] == "stale":
                print(f"STALE      [{m.ident}] {m.path}: {status[m.ident][1]}: {m.original}")
        stale = sum(1 for s in status.values() if s[0] == "stale")
        print(f"{len(chosen)} mutants, {stale} stale")
        return 1 if stale else 0

    start = time.monotonic()
    scratch = Scratch(args.scratch, args.jobs)
    scratch.sync()
    scratch.configure()
    folders = sorted({m.folder for m in chosen if m.ident not in status})
    programs = {f: lst.suites[f] for f in folders}
    all_programs = sorted({p for ps in programs.values() for p in ps})

    # The unmutated tree must build and pass, or no mutant means anything.
    rc, out = scratch.compile()
    if rc != 0:
        sys.exit(f"the unmutated tree does not build:\n{out[-4000:]}")
    limits = {}
    for prog in all_programs:
        t0 = time.monotonic()
        why = run_tests(scratch.build, [prog], timeout=600)
        if why:
            sys.exit(f"the unmutated tree fails its tests: {why}")
        limits[prog] = args.timeout or 10 * (time.monotonic() - t0) + 20
    print(f"baseline: built and passed in {time.monotonic() - start:.0f} s", flush=True)

    for m in chosen:
        if m.ident in status:
            continue
        original = (scratch.src / m.path).read_text()
        hits = locate(original, m.original)
        if len(hits) != 1:
            status[m.ident] = ("stale", "copy differs from the worktree")
            continue
        t0 = time.monotonic()
        try:
            scratch.apply(m, mutate_text(original, hits[0], m.replacement))
            progs = programs[m.folder]
            rc, out = scratch.compile(targets_of(progs))
            if rc != 0:
                status[m.ident] = ("no-build", "the mutant does not compile")
                if args.verbose:
                    print(out[-3000:])
            else:
                why = None
                for prog in progs:
                    why = run_tests(scratch.build, [prog], limits[prog])
                    if why:
                        break
                status[m.ident] = ("killed", why) if why else ("survived", "")
        finally:
            scratch.restore(m, original)
        state, why = status[m.ident]
        print(f"{state.upper():<10} [{m.ident}] {m.path}:{hits[0] + 1} "
              f"({time.monotonic() - t0:.0f} s) {why}", flush=True)
    # Leave the scratch build matching the tree.
    scratch.compile()

    print()
    for m in chosen:
        state, why = status[m.ident]
        if state in ("stale", "equivalent", "no-build"):
            print(f"{state.upper():<10} [{m.ident}] {m.path}: {why}")
        elif state == "survived":
            print(f"SURVIVED   [{m.ident}] {m.path}: {m.original}  ->  {m.replacement or '(dropped)'}")
    print("\nfolder     killed / counted   score   (equivalent, stale, not compiling)")
    worst = 100.0
    for f in sorted({m.folder for m in chosen}):
        ms = [status[m.ident][0] for m in chosen if m.folder == f]
        killed, survived = ms.count("killed"), ms.count("survived")
        counted = killed + survived
        score = 100.0 * killed / counted if counted else 100.0
        worst = min(worst, score)
        print(f"{f:<10} {killed:>6} / {counted:<7} {score:6.1f}%   "
              f"({ms.count('equivalent')}, {ms.count('stale')}, {ms.count('no-build')})")
    print(f"\nrun time {time.monotonic() - start:.0f} s")
    return 0 if worst >= 90.0 else 1


if __name__ == "__main__":
    sys.exit(main())
