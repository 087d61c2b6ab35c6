#!/usr/bin/env python3
"""Adds up the GoogleTest XML reports of both builds and prints "N passed, N failed".
A suite binary that left no report (it crashed or refused to run) counts as one failure."""
import glob
import os
import sys
import re
import xml.etree.ElementTree as ET

root, extra_pass, extra_fail = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
passed, failed, skipped = extra_pass, extra_fail, 0
for build in ("native", "windows"):
    ctest_file = os.path.join(root, build, "CTestTestfile.cmake")
    expected = set()
    tests_dir = os.path.join(root, build, "tests", "CTestTestfile.cmake")
    if os.path.exists(tests_dir):
        for line in open(tests_dir):
            if line.startswith("add_test("):
                expected.add(line[len("add_test("):].split()[0].strip("[]=\""))
    seen = set()
    for report in glob.glob(os.path.join(root, build, "test-results", "*.xml")):
        name = os.path.splitext(os.path.basename(report))[0]
        try:
            tree = ET.parse(report)
        except ET.ParseError:
            continue
        seen.add(name)
        for case in tree.iter("testcase"):
            if case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            elif case.find("failure") is not None or case.find("error") is not None:
                failed += 1
                print(f"FAILED: {name} {case.get('classname')}.{case.get('name')}")
            else:
                passed += 1
    flt = os.environ.get("ZT_TEST_FILTER")
    if flt:
        expected = {e for e in expected if re.search(flt, e)}
    for name in sorted(expected - seen):
        failed += 1
        print(f"FAILED: {name} left no report (crashed or refused to run)")
line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed else 0)
