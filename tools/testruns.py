#!/usr/bin/env python3
"""Reads the JUnit files ctest writes (--output-junit), one per run of the suite.

  testruns.py count RUN.xml            the number of tests that ran (passed or failed)
  testruns.py failures RUN.xml...      every test that failed in at least one run, with how
                                       often; exit status 1 when there is one

A test that ran is one ctest started and that checked something: status "run" (passed) or
"fail". ctest writes "notrun" both for a test that skipped itself (its output matched the skip
expression, or it gave the skip return code: the <skipped> child's message says which) and for a
test it could not start (no executable, a failed fixture, a required file missing); the first did
not run and did not fail, the second failed. Disabled tests did not run.
"""
import sys
import xml.etree.ElementTree as ET

RAN = ("run", "fail")
# The messages ctest gives a test that skipped itself.
SKIPPED_ON_PURPOSE = ("SKIP_REGULAR_EXPRESSION_MATCHED", "SKIP_RETURN_CODE=")


def status_of(case):
    """The case's status, with "skipped" for a "notrun" that the test chose itself."""
    status = case.get("status")
    if status == "notrun":
        skipped = case.find("skipped")
        if skipped is not None and skipped.get("message", "").startswith(SKIPPED_ON_PURPOSE):
            return "skipped"
    return status


def is_failure(status):
    return status in ("fail", "notrun")


def read_run(path):
    """(name, status) of every test case of one run."""
    return [(case.get("name"), status_of(case)) for case in ET.parse(path).getroot().iter("testcase")]


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
            if is_failure(status):
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
