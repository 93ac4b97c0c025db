#!/usr/bin/env python3
"""Runs every test program of a built tree repeatedly beside CPU-bound processes.

    scripts/stress.py [--build DIR] [--repeat N] [--load N] [-R REGEX]

A test that acts on a worker's progress from a queued signal instead of a gate passes when
the machine is idle and fails when it is busy; this run makes the machine busy. It starts N
processes that spin (default 2), runs each GoogleTest program of ctest's list N times
(--gtest_repeat, default 20) with the environment and working folder ctest gives it,
starting and stopping ctest's fixtures (the PulseAudio server) around the programs that need
them, and prints per program the repeats run, the repeats that failed with the names of the
failing tests, and the time taken. Exit status 1 when any repeat failed.
"""
import argparse
import json
import multiprocessing
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def spin():
    while True:
        pass


def properties(test):
    return {p["name"]: p["value"] for p in test.get("properties", [])}


def run_fixture(test):
    props = properties(test)
    result = subprocess.run(test["command"], cwd=props.get("WORKING_DIRECTORY"),
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"fixture {test['name']} failed:\n{result.stdout}")


def run_program(test, repeat):
    props = properties(test)
    env = dict(os.environ)
    for assignment in props.get("ENVIRONMENT", []):
        name, _, value = assignment.partition("=")
        env[name] = value
    command = test["command"] + [f"--gtest_repeat={repeat}"]
    started = time.monotonic()
    result = subprocess.run(command, cwd=props.get("WORKING_DIRECTORY"), env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace")
    seconds = time.monotonic() - started
    output = result.stdout
    # GoogleTest prints "Repeating all tests (iteration K) ..." before each repeat and a
    # "[  FAILED  ] Suite.Name" line per failed test at each repeat's end.
    iterations = re.split(r"^Repeating all tests \(iteration \d+\)", output, flags=re.M)
    iterations = [part for part in iterations if "[==========]" in part] or [output]
    failed_repeats = 0
    failures = {}
    for part in iterations:
        names = set(re.findall(r"^\[  FAILED  \] (\S+)", part, flags=re.M))
        names = {name for name in names if "." in name}
        if names:
            failed_repeats += 1
        for name in names:
            failures[name] = failures.get(name, 0) + 1
    crashed = result.returncode != 0 and not failures
    return len(iterations), failed_repeats, failures, crashed, seconds, output


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeat", type=int, default=20)
    parser.add_argument("--load", type=int, default=2)
    parser.add_argument("-R", dest="regex", default="")
    args = parser.parse_args()

    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=args.build, check=True,
                             stdout=subprocess.PIPE, text=True)
    tests = json.loads(listing.stdout)["tests"]
    setups = {}
    cleanups = {}
    programs = []
    for test in tests:
        props = properties(test)
        if not test.get("command"):
            continue
        for fixture in props.get("FIXTURES_SETUP", []):
            setups[fixture] = test
        for fixture in props.get("FIXTURES_CLEANUP", []):
            cleanups[fixture] = test
        if not props.get("FIXTURES_SETUP") and not props.get("FIXTURES_CLEANUP"):
            if re.search(args.regex, test["name"]):
                programs.append(test)

    spinners = [multiprocessing.Process(target=spin, daemon=True) for _ in range(args.load)]
    for spinner in spinners:
        spinner.start()
    started = set()
    any_failed = False
    try:
        print(f"{'program':34} {'repeats':>7} {'failed':>6} {'seconds':>8}")
        for test in programs:
            for fixture in properties(test).get("FIXTURES_REQUIRED", []):
                if fixture in setups and fixture not in started:
                    run_fixture(setups[fixture])
                    started.add(fixture)
            runs, failed, failures, crashed, seconds, output = run_program(test, args.repeat)
            mark = " CRASHED" if crashed else ""
            print(f"{test['name']:34} {runs:7} {failed:6} {seconds:8.0f}{mark}", flush=True)
            for name, count in sorted(failures.items()):
                print(f"    {name}: failed {count} of {runs}")
            if failed or crashed:
                any_failed = True
                log = os.path.join(args.build, f"stress-{test['name']}.log")
                with open(log, "w", encoding="utf-8") as handle:
                    handle.write(output)
                print(f"    output: {log}")
    finally:
        for fixture in started:
            if fixture in cleanups:
                run_fixture(cleanups[fixture])
        for spinner in spinners:
            spinner.terminate()
    return 1 if any_failed else 0


if __name__ == "__main__":
    sys.exit(main())
