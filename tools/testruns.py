#!/usr/bin/env python3
"""Reads the JUnit files ctest writes (--output-junit), one per run of the suite.

  testruns.py count RUN.xml            the number of tests that ran (passed or failed)
  testruns.py failures RUN.xml...      every test that failed in at least one run, with how
                                       often; exit status 1 when there is one

A test that ran is one ctest started: status "run" (passed) or "fail". A test ctest could not
start ("notrun") failed as well; disabled and skipped tests did not run.
"""
import sys
import xml.etree.ElementTree as ET

RAN = ("run", "fail")
FAILED = ("fail", "notrun")


def read_run(path):
    """(name, status) of every test case of one run."""
    return [(case.get("name"), case.get("status")) for case in ET.parse(path).getroot().iter("testcase")]


def count(path):
    print(sum(1 for _, status in read_run(path) if status in RAN))
    return 0


def failures(paths):
    failed = {}
    for path in paths:
        try:
            run = read_run(path)
        except (OSError, ET.ParseError) as e:
            print(f"{path}: no results ({e})")
            failed.setdefault("(the run itself: no results)", 0)
            failed["(the run itself: no results)"] += 1
            continue
        for name, status in run:
            if status in FAILED:
                failed[name] = failed.get(name, 0) + 1
    runs = len(paths)
    if not failed:
        print(f"No test failed in {runs} runs.")
        return 0
    width = max(len(name) for name in failed)
    print(f"{'test':<{width}}  failed")
    for name, times in sorted(failed.items(), key=lambda item: (-item[1], item[0])):
        print(f"{name:<{width}}  {times} of {runs}")
    return 1


def main(argv):
    if len(argv) == 3 and argv[1] == "count":
        return count(argv[2])
    if len(argv) >= 3 and argv[1] == "failures":
        return failures(argv[2:])
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
