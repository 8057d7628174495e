#!/bin/sh
# Fails when a C++ source of the tree is not clang-format clean.
set -e
cd "$(dirname "$0")/.."
git ls-files -- '*.h' '*.cpp' | xargs -r clang-format --dry-run --Werror
