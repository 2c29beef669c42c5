#!/usr/bin/env python3
"""Mutation run: plants each mutant of scripts/mutants/*.ini in turn, rebuilds the test programs that
should catch it in a plain (unsanitized) build and runs them. A mutant is killed when a test program
fails, crashes or times out; it survives when all of them pass.

Each section of a mutants file is one mutant:
    [name]
    file = path relative to the repository
    find = text that occurs exactly once in the file; on its continuation lines (indented in the .ini)
           a leading "|" keeps the indentation that follows it, e.g.
               find = a = 1;
                 |  b = 2;
           finds "a = 1;\n  b = 2;"
    replace = the mutated text
    tests = test programs (space-separated) that must catch it; "ctest:NAME" names a CTest test instead
            (the script checks: the layer check, the link checks), run through ctest in the build
    build = (optional) targets to build before the tests run besides the test programs, e.g. what a
            CTest check reads
    equivalent = (optional) why it cannot change behaviour: it is expected to survive
    display = (optional) "xvfb": its test programs need a display (the main window's tests) and run under
              xvfb-run; the others never see one

Usage: scripts/mutate.py [--only SUBSTRING] [--build DIR] [--jobs N] [--list]
Exit status 0 when every mutant that can change behaviour was killed, 1 otherwise.
"""
import argparse
import configparser
import glob
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEST_TIMEOUT = 600


def verbatim_lines(value):
    """An .ini value whose continuation lines start with "|": the text after each "|" as it stands."""
    lines = value.split("\n")
    return "\n".join([lines[0]] + [line[1:] if line.startswith("|") else line for line in lines[1:]])


def load_mutants(only):
    mutants = []
    for path in sorted(glob.glob(os.path.join(ROOT, "scripts", "mutants", "*.ini"))):
        parser = configparser.RawConfigParser(interpolation=None, strict=True)
        parser.optionxform = str
        with open(path, encoding="utf-8") as f:
            parser.read_file(f)
        for name in parser.sections():
            s = parser[name]
            missing = [k for k in ("file", "find", "replace", "tests") if k not in s]
            if missing:
                sys.exit(f"{os.path.basename(path)} [{name}]: missing {', '.join(missing)}")
            if only and only not in name and only not in s["file"]:
                continue
            mutants.append({
                "name": name, "file": s["file"], "find": verbatim_lines(s["find"]),
                "replace": verbatim_lines(s["replace"]),
                "tests": s["tests"].split(), "build": s.get("build", "").split(), "equivalent": s.get("equivalent", ""),
                "display": s.get("display", "") == "xvfb",
                "source": os.path.basename(path)})
    return mutants


def run(cmd, timeout=None, env=None, quiet=True):
    out = subprocess.DEVNULL if quiet else None
    try:
        return subprocess.run(cmd, cwd=ROOT, stdout=out, stderr=out, timeout=timeout, env=env).returncode
    except subprocess.TimeoutExpired:
        return -1


def configure(build):
    gen = ["-G", "Ninja"] if subprocess.run(["which", "ninja"], stdout=subprocess.DEVNULL).returncode == 0 else []
    code = run(["cmake", "-S", ".", "-B", build, *gen, "-DCMAKE_BUILD_TYPE=Debug",
                "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g0", "-DZENTROVA_SANITIZE=OFF",
                "-DZENTROVA_BUILD_TESTS=ON", "-DZENTROVA_BUILD_BENCH=OFF"], quiet=False)
    if code != 0:
        sys.exit("cmake configure failed")


def targets_of(mutants):
    """The targets a set of mutants needs built: its test programs and the targets its checks read."""
    return sorted({t for m in mutants for t in m["tests"] + m["build"] if not t.startswith("ctest:")})


def build_targets(build, targets, jobs):
    if not targets:
        return 0
    return run(["cmake", "--build", build, "-j", str(jobs), "--target", *targets])


def test_env(display):
    env = dict(os.environ)
    # The GL programs render off-screen; only the window tests get a display, a virtual one of their own.
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    if not display:
        env.setdefault("EGL_PLATFORM", "surfaceless")
    env.setdefault("LIBGL_ALWAYS_SOFTWARE", "1")
    return env


def run_tests(build, tests, display_tests=()):
    for t in tests:
        display = t in display_tests
        env = test_env(display)
        xvfb = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset"] if display else []
        if t.startswith("ctest:"):
            cmd = ["ctest", "--test-dir", build, "-R", f"^{t[len('ctest:'):]}$", "--no-tests=error"]
        else:
            cmd = [*xvfb, os.path.join(build, "bin", t), "--gtest_brief=1"]
        code = run(cmd, timeout=TEST_TIMEOUT, env=env)
        if code != 0:
            return t
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--only", default="")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "mutation"))
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--list", action="store_true")
    args = ap.parse_args()

    mutants = load_mutants(args.only)
    stale = []
    for m in mutants:
        path = os.path.join(ROOT, m["file"])
        with open(path, encoding="utf-8") as f:
            count = f.read().count(m["find"])
        if count != 1:
            stale.append(f"[{m['name']}] the text to replace occurs {count} times in {m['file']}")
    if stale:
        sys.exit("\n".join(stale))
    if args.list:
        for m in mutants:
            print(f"{m['name']:48} {m['file']}")
        print(f"{len(mutants)} mutants")
        return 0

    configure(args.build)
    all_tests = sorted({t for m in mutants for t in m["tests"]})
    display_tests = {t for m in mutants if m["display"] for t in m["tests"]}
    if build_targets(args.build, targets_of(mutants), args.jobs) != 0:
        sys.exit("the unmutated tree does not build")
    failing = run_tests(args.build, all_tests, display_tests)
    if failing:
        sys.exit(f"the unmutated tree fails {failing}: fix it before a mutation run")

    results = []
    for m in mutants:
        path = os.path.join(ROOT, m["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        start = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(m["find"], m["replace"], 1))
            if build_targets(args.build, targets_of([m]), args.jobs) != 0:
                verdict, by = "no-build", ""
            else:
                by = run_tests(args.build, m["tests"], display_tests)
                verdict = "killed" if by else "survived"
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
            os.utime(path, None)
        expected = "survived" if m["equivalent"] else "killed"
        mark = "ok" if verdict == expected else "!!"
        print(f"{mark} {verdict:9} {m['name']:48} {by or '-':24} {time.time() - start:6.1f}s", flush=True)
        results.append((m, verdict))
    build_targets(args.build, targets_of(mutants), args.jobs)

    live = [m for m, v in results if not m["equivalent"]]
    killed = [m for m, v in results if not m["equivalent"] and v == "killed"]
    survivors = [m["name"] for m, v in results if not m["equivalent"] and v != "killed"]
    print(f"\n{len(killed)} of {len(live)} mutants that can change behaviour killed; "
          f"{len(results) - len(live)} listed as equivalent.")
    if survivors:
        print("Not killed: " + ", ".join(survivors))
    return 0 if not survivors else 1


if __name__ == "__main__":
    sys.exit(main())
