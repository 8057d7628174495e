#!/bin/sh
# Rewrites the golden files under tests/golden/ from the current build: builds every test
# program that compares golden files and the command-line tool, runs them in update mode,
# then shows what changed. Golden files that no test writes any more are left in place;
# remove those by hand. Review the changes like code before committing them.
#   tests/update-golden.sh [BUILD_DIR]    (default: build)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "update-golden: no configured build in '$build' (run: cmake --preset default)" >&2
  exit 2
fi
# The desktop program's tests exist only in builds that found Qt.
targets=$(cmake --build "$build" --target help | sed -n 's/^\(ui_[a-z_]*_test\): .*/\1/p')
cmake --build "$build" --target core_tests 62500cfg $targets
# Tests that fail for other reasons are reported but do not stop the rewrite.
failed=0
K7Q_UPDATE_GOLDEN=1 "$build/tests/core_tests" --gtest_brief=1 || failed=1
for t in $targets; do
  K7Q_UPDATE_GOLDEN=1 QT_QPA_PLATFORM=offscreen "$build/ui/$t" -silent || failed=1
done
if [ $failed != 0 ]; then echo "update-golden: some tests failed while rewriting; see above" >&2; fi
git status --short tests/golden
