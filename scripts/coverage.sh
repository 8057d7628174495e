#!/bin/sh
# Builds the tree with gcov instrumentation into build-coverage/, runs every test and
# prints line and branch coverage per folder of the project's own sources (tests,
# benchmarks and fuzz targets left out; branches only an exception takes not counted).
set -e
cd "$(dirname "$0")/.."
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DK7Q_BENCH=OFF \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON $launcher >/dev/null
cmake --build build-coverage
find build-coverage -name '*.gcda' -delete
# Left out: the test that runs the tool as another user, who cannot write the coverage
# data and whose gcov complaints would land in the output the test compares.
(cd build-coverage && QT_QPA_PLATFORM=offscreen ctest -j 2 -E AFolderThatTakesNoJournal >ctest.log 2>&1) ||
  { tail -n 40 build-coverage/ctest.log; echo "coverage.sh: tests failed" >&2; exit 1; }
gcovr --root . --object-directory build-coverage --exclude-throw-branches \
  --exclude-unreachable-branches --exclude '(tests|bench|fuzz|tools|build[^/]*)/' \
  --json-summary build-coverage/summary.json >/dev/null 2>build-coverage/gcovr.log
python3 - build-coverage/summary.json <<'PY'
import json, sys
from collections import defaultdict
totals = defaultdict(lambda: [0, 0, 0, 0])
for f in json.load(open(sys.argv[1]))["files"]:
    t = totals[f["filename"].split("/")[0]]
    t[0] += f["line_covered"]; t[1] += f["line_total"]
    t[2] += f["branch_covered"]; t[3] += f["branch_total"]
def pct(a, b):
    return f"{100.0 * a / b:5.1f}%" if b else "    -"
print(f"{'folder':<12} {'lines':>16} {'branches':>18}")
for folder in sorted(totals):
    lc, lt, bc, bt = totals[folder]
    print(f"{folder:<12} {pct(lc, lt)} {lc:>5}/{lt:<5} {pct(bc, bt)} {bc:>5}/{bt:<5}")
PY
