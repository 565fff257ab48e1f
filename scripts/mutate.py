#!/usr/bin/env python3
"""Draws a random sample of mutations of the product code and runs the whole suite on each.

    scripts/mutate.sh [COUNT] [SEED]
    scripts/mutate.sh --replay LOG [--survivors]

Each mutant changes one operator or result of one line of viewer/, util/, xml/, exec/ or
document/ (a comparison flipped, a condition turned, a returned number or boolean changed),
in a copy of the committed tree under build-mutants/. A mutant that does not compile is
replaced by another draw. It is caught when the suite fails on it, in the regular build or,
as scripts/test.sh also runs it, in the build with the sanitizers. Prints one line per mutant
and the count caught; the survivors are listed for a reader to judge. --replay applies the
mutations an earlier run printed (only its survivors with --survivors) to the tree as it is
now, each to the line that still reads as it did, and judges them again.
"""
import filecmp
import os
import random
import re
import shutil
import subprocess
import sys

FOLDERS = ["viewer", "util", "xml", "exec", "document"]
OPERATORS = [
    (r"==", "!="),
    (r"!=", "=="),
    (r"<=", "<"),
    (r">=", ">"),
    (r"(?<![<>-])<(?![<=])", "<="),
    (r"(?<![<>-])>(?![>=])", ">="),
    (r"&&", "||"),
    (r"\|\|", "&&"),
    (r"\btrue\b", "false"),
    (r"\bfalse\b", "true"),
    (r"return 0;", "return 1;"),
    (r"return 1;", "return 0;"),
    (r"\+ 1\b", "- 1"),
    (r"- 1\b", "+ 1"),
]
SKIPPED_LINE = re.compile(r"^\s*(//|#|\*|/\*)|template\s*<|static_cast<|reinterpret_cast<|std::\w+<|unique_ptr<")


def candidate_sites(root):
    sites = []
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith(".cpp"):
                continue
            path = os.path.join(folder, name)
            with open(os.path.join(root, path), encoding="latin-1") as source:
                for number, line in enumerate(source, 1):
                    if SKIPPED_LINE.search(line) or '"' in line:
                        continue
                    for index, (pattern, replacement) in enumerate(OPERATORS):
                        for match in re.finditer(pattern, line):
                            sites.append((path, number, index, match.start()))
    return sites


def run(command, cwd, timeout, extra_env=None):
    env = dict(os.environ, **extra_env) if extra_env else None
    try:
        return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, env=env).returncode
    except subprocess.TimeoutExpired:
        return -1


def mutate(root, site):
    path, number, index, column = site
    full = os.path.join(root, path)
    with open(full, encoding="latin-1") as source:
        lines = source.readlines()
    original = lines[number - 1]
    pattern, replacement = OPERATORS[index]
    match = re.compile(pattern).match(original, column)
    if not match:
        return None
    lines[number - 1] = original[:column] + replacement + original[match.end():]
    with open(full, "w", encoding="latin-1") as out:
        out.writelines(lines)
    return original, lines[number - 1]


def restore(root, path, original_text):
    with open(os.path.join(root, path), "w", encoding="latin-1") as out:
        out.write(original_text)


LOGGED = re.compile(r"^\s*\d+ (caught|SURVIVED)\s+(\S+):(\d+)  (.*)  =>  (.*)$")


def logged_mutations(log_path, survivors_only):
    """The mutations an earlier run printed: path, line, the line before and after."""
    with open(log_path, encoding="latin-1") as log:
        for line in log:
            found = LOGGED.match(line.rstrip("\n"))
            if found and (found.group(1) == "SURVIVED" or not survivors_only):
                yield found.group(2), int(found.group(3)), found.group(4), found.group(5)


def apply_logged(root, path, number, before, after):
    """Writes `after` over the line that reads `before` nearest to `number`; its number, or None."""
    full = os.path.join(root, path)
    if not os.path.exists(full):
        return None
    with open(full, encoding="latin-1") as source:
        lines = source.readlines()
    matching = [i for i, line in enumerate(lines) if line.strip() == before]
    if not matching:
        return None
    at = min(matching, key=lambda i: abs(i + 1 - number))
    indent = lines[at][:len(lines[at]) - len(lines[at].lstrip())]
    lines[at] = indent + after + "\n"
    with open(full, "w", encoding="latin-1") as out:
        out.writelines(lines)
    return at + 1


SANITIZER_ENV = {"ASAN_OPTIONS": "detect_leaks=1:abort_on_error=1",
                 "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}


def sync_tree(fresh, src):
    """Makes src hold exactly the files of fresh, touching only those that differ, so
    that the builds kept from an earlier run rebuild no more than changed."""
    wanted = set()
    for folder, _, names in os.walk(fresh):
        for name in names:
            relative = os.path.relpath(os.path.join(folder, name), fresh)
            wanted.add(relative)
            target = os.path.join(src, relative)
            if os.path.isfile(target) and filecmp.cmp(os.path.join(fresh, relative), target, shallow=False):
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy2(os.path.join(fresh, relative), target)
            os.utime(target)  # newer than anything built from the file it replaces
    for folder, _, names in os.walk(src):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.relpath(path, src) not in wanted:
                os.remove(path)


class Trees:
    """The copy of the committed tree and its two builds, as scripts/test.sh makes them:
    a regular one and one with AddressSanitizer and UndefinedBehaviorSanitizer."""

    def __init__(self):
        top = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
        work = os.path.join(top, "build-mutants")
        self.src = os.path.join(work, "src")
        self.builds = [(os.path.join(work, "build"), []),
                       (os.path.join(work, "build-asan"), ["-DVIEWER_SANITIZE=ON", "-DCMAKE_BUILD_TYPE=Debug"])]
        self.jobs = str(os.cpu_count() or 2)
        fresh = os.path.join(work, "committed")
        shutil.rmtree(fresh, ignore_errors=True)
        os.makedirs(fresh)
        archive = subprocess.run(["git", "archive", "HEAD"], cwd=top, check=True, stdout=subprocess.PIPE).stdout
        subprocess.run(["tar", "-x", "-C", fresh], input=archive, check=True)
        sync_tree(fresh, self.src)
        shutil.rmtree(fresh)
        for build, options in self.builds:
            subprocess.run(["cmake", "-S", self.src, "-B", build, "-DVIEWER_BUILD_TESTS=ON"] + options,
                           check=True, stdout=subprocess.DEVNULL)
            if run(["cmake", "--build", build, "-j" + self.jobs], self.src, 3600) != 0:
                sys.exit("the unmutated tree does not build")
            if run(["ctest", "-j" + self.jobs], build, 1800, SANITIZER_ENV) != 0:
                sys.exit("the unmutated tree does not pass its suite")

    def suite_fails(self):
        """None when the mutant does not compile; otherwise whether the suite fails on it.
        The regular build decides first; the sanitizer build runs only on what it passes."""
        for build, _ in self.builds:
            if run(["cmake", "--build", build, "-j" + self.jobs], self.src, 1200) != 0:
                return None
            # The first failing test decides; the rest of the suite is not needed.
            if run(["ctest", "-j" + self.jobs, "--timeout", "300", "--stop-on-failure"], build, 1800,
                   SANITIZER_ENV) != 0:
                return True
        return False

    def rebuild(self):
        for build, _ in self.builds:
            run(["cmake", "--build", build, "-j" + self.jobs], self.src, 3600)


class Tally:
    """The verdicts of one run: prints each mutant and keeps the survivors."""

    def __init__(self):
        self.caught, self.tried, self.survivors = 0, 0, []

    def record(self, failed, path, line, before, after):
        self.tried += 1
        verdict = "caught" if failed else "SURVIVED"
        print(f"{self.tried:3d} {verdict:8s} {path}:{line}  {before}  =>  {after}", flush=True)
        if failed:
            self.caught += 1
        else:
            self.survivors.append(f"{path}:{line}  {after}")

    def report(self, label):
        print(f"caught {self.caught} of {self.tried} ({label})")
        for survivor in self.survivors:
            print("survivor: " + survivor)


def draw(count, seed):
    trees = Trees()
    src = trees.src
    rng = random.Random(seed)
    sites = candidate_sites(src)
    rng.shuffle(sites)
    print(f"seed {seed}: {len(sites)} mutation sites, drawing {count}")
    tally = Tally()
    for site in sites:
        if tally.tried == count:
            break
        path = site[0]
        with open(os.path.join(src, path), encoding="latin-1") as source:
            original_text = source.read()
        change = mutate(src, site)
        if not change:
            continue
        try:
            failed = trees.suite_fails()
        finally:
            restore(src, path, original_text)
        if failed is None:
            continue  # does not compile: drawn again
        before, after = (text.strip() for text in change)
        tally.record(failed, path, site[1], before, after)
    trees.rebuild()
    tally.report(f"seed {seed}")


def replay(log_path, survivors_only):
    trees = Trees()
    src = trees.src
    tally = Tally()
    for path, number, before, after in logged_mutations(log_path, survivors_only):
        with open(os.path.join(src, path), encoding="latin-1") as source:
            original_text = source.read()
        at = apply_logged(src, path, number, before, after)
        if at is None:
            print(f"    gone     {path}:{number}  {before}  (no such line any more)", flush=True)
            continue
        try:
            failed = trees.suite_fails()
        finally:
            restore(src, path, original_text)
        if failed is None:
            print(f"    no build {path}:{at}  {after}", flush=True)
            continue
        tally.record(failed, path, at, before, after)
    trees.rebuild()
    tally.report("replayed from " + log_path)


def main():
    args = sys.argv[1:]
    if args and args[0] == "--replay":
        if len(args) < 2:
            sys.exit("usage: scripts/mutate.sh --replay LOG [--survivors]")
        replay(args[1], "--survivors" in args[2:])
        return
    count = int(args[0]) if args else 60
    seed = int(args[1]) if len(args) > 1 else random.SystemRandom().randrange(1 << 30)
    draw(count, seed)


if __name__ == "__main__":
    main()
