#!/usr/bin/env python3
"""Adds up the test results of every suite into one closing line.

Each CTest test runs one doctest program over one test file; its output ends
with doctest's own count of test cases. A test without such a count (the
import check, a crashed program) counts as one case by its CTest result.
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

COUNT = re.compile(r"test cases:\s*(\d+)\s*\|\s*(\d+) passed\s*\|\s*(\d+) failed")


def main(results_dir):
    passed = failed = 0
    suites = sorted(pathlib.Path(results_dir).glob("*.xml"))
    failures = []
    for suite in suites:
        root = ET.parse(suite).getroot()
        for case in root.iter("testcase"):
            out = "".join(node.text or "" for node in case.iter("system-out"))
            ok = case.get("status", "run") != "fail" and case.find("failure") is None
            counts = COUNT.findall(out)
            if counts:
                _, p, f = map(int, counts[-1])
                passed += p
                failed += f
                if f == 0 and not ok:
                    failed += 1  # ran its cases, then failed (crash at exit, leak report)
            elif ok:
                passed += 1
            else:
                failed += 1
            if not ok:
                failures.append(case.get("name"))
    if not suites:
        failed += 1
        failures.append("no test results were written")
    for name in failures:
        print(f"FAILED: {name}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
