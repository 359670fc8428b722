#!/usr/bin/env python3
"""Counts how many of a seeded sample of single-line mutations of the core code the test
suite catches.

Usage: scripts/mutation-sample.py BUILD_DIR [--count N] [--seed S] [--list] [--out FILE]

BUILD_DIR is a configured build of this source tree (the script builds it after each
mutation). Each mutation changes one line of one core source file in one way: a relational
operator swapped (< <=, > >=, == !=), an arithmetic operator swapped (+ -, * /), an integer
constant changed by one, or a boolean return flipped. The sample depends only on the seed
and on the core sources, so runs before and after a change of the tests use the same
mutations. A mutation is caught when the build's tests fail (or time out); one that does
not compile is left out of the count. The source file is always restored. --out also records,
per mutation, the tests that failed: which tests alone catch a mutation.
"""
import argparse
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CORE = ["raster", "engine", "document", "export", "settings", "base"]

# (name, pattern, replacement): each match of pattern on a line is one candidate.
OPERATORS = [
    ("< to <=", re.compile(r"(?<=[\w)\]] )<(?= [\w(])"), "<="),
    ("<= to <", re.compile(r"(?<= )<=(?= )"), "<"),
    ("> to >=", re.compile(r"(?<=[\w)\]] )>(?= [\w(])"), ">="),
    (">= to >", re.compile(r"(?<= )>=(?= )"), ">"),
    ("== to !=", re.compile(r"(?<= )==(?= )"), "!="),
    ("!= to ==", re.compile(r"(?<= )!=(?= )"), "=="),
    ("+ to -", re.compile(r"(?<=[\w)\]] )\+(?= [\w(])"), "-"),
    ("- to +", re.compile(r"(?<=[\w)\]] )-(?= [\w(])"), "+"),
    ("* to /", re.compile(r"(?<=[\w)\]] )\*(?= [\w(])"), "/"),
    ("/ to *", re.compile(r"(?<=[\w)\]] )/(?= [\w(])"), "*"),
    ("constant + 1", re.compile(r"(?<![\w.])\d+(?![\w.])"), None),
    ("true to false", re.compile(r"(?<=return )true(?=;)"), "false"),
    ("false to true", re.compile(r"(?<=return )false(?=;)"), "true"),
]


def code_part(line):
    """The line without its comment and string literals (blanked, so columns stay)."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def candidates():
    found = []
    for folder in CORE:
        for path in sorted((ROOT / folder).glob("*.cpp")):
            lines = path.read_text(encoding="utf-8").split("\n")
            for number, line in enumerate(lines, 1):
                stripped = line.strip()
                if stripped.startswith(("#", "//", "static_assert", "assert")):
                    continue
                code = code_part(line)
                for name, pattern, replacement in OPERATORS:
                    for match in pattern.finditer(code):
                        if replacement is None:
                            new = str(int(match.group()) + 1)
                        else:
                            new = replacement
                        mutated = line[: match.start()] + new + line[match.end():]
                        found.append((path.relative_to(ROOT).as_posix(), number, name,
                                      line, mutated))
    return found


def failed_tests(build):
    """Runs the whole suite: the names of the tests that failed (["timeout"] for a run that
    never ended), empty when all passed."""
    # Test timeouts of their own are generous; a mutation that loops is stopped here instead
    # (ctest then counts the running test as failed).
    stop = time.strftime("%H:%M:%S", time.localtime(time.time() + 120))
    try:
        tested = subprocess.run(["ctest", "--test-dir", str(build), "-j2", "--stop-time", stop],
                                cwd=ROOT, capture_output=True, text=True, timeout=1200)
    except subprocess.TimeoutExpired:
        return ["timeout"]
    if tested.returncode == 0:
        return []
    listing = tested.stdout.split("The following tests FAILED:")[-1]
    return re.findall(r"^\s*\d+ - (\S+)", listing, re.M) or ["ctest"]


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--seed", type=int, default=18)
    parser.add_argument("--list", action="store_true", help="print the sample and stop")
    parser.add_argument("--out", default=None, help="results as tab-separated lines")
    args = parser.parse_args()

    sample = random.Random(args.seed).sample(candidates(), args.count)
    if args.list:
        for path, number, name, _, mutated in sample:
            print(f"{path}:{number}\t{name}\t{mutated.strip()}")
        return 0

    # A stopped run still puts the source back (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    build = Path(args.build).resolve()
    out = open(args.out, "w", encoding="utf-8") if args.out else None
    caught = survived = skipped = 0
    for index, (path, number, name, original, mutated) in enumerate(sample, 1):
        file = ROOT / path
        text = file.read_text(encoding="utf-8")
        lines = text.split("\n")
        assert lines[number - 1] == original
        lines[number - 1] = mutated
        started = time.time()
        failed = []
        try:
            file.write_text("\n".join(lines), encoding="utf-8")
            built = run(["cmake", "--build", str(build)], 1800)
            if built != 0:
                result = "no-compile"
            else:
                failed = failed_tests(build)
                result = "caught" if failed else "survived"
        finally:
            file.write_text(text, encoding="utf-8")
        caught += result == "caught"
        survived += result == "survived"
        skipped += result == "no-compile"
        line = f"{index}\t{result}\t{path}:{number}\t{name}\t{mutated.strip()}"
        print(f"{line}\t{time.time() - started:.0f}s", flush=True)
        if out:
            print(f"{line}\t{','.join(failed)}", file=out, flush=True)
    run(["cmake", "--build", str(build)], 1800)
    total = caught + survived
    print(f"caught {caught} of {total} compiled mutations ({skipped} did not compile)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
