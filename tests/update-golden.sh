#!/bin/sh
# Rewrites the golden files under tests/golden/ from the current build: builds the core
# tests and the command-line tool, runs the golden tests in update mode, then shows
# what changed. Review the changes like code before committing them.
#   tests/update-golden.sh [BUILD_DIR]    (default: build)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "update-golden: no configured build in '$build' (run: cmake --preset default)" >&2
  exit 2
fi
cmake --build "$build" --target core_tests 62500cfg
rm -rf tests/golden
# Tests that fail for other reasons are reported but do not stop the rewrite.
K7Q_UPDATE_GOLDEN=1 "$build/tests/core_tests" --gtest_brief=1 ||
  echo "update-golden: some tests failed while rewriting; see above" >&2
git status --short tests/golden
