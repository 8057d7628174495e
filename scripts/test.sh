#!/bin/sh
# Builds everything and runs every test, then checks the formatting.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
scripts/check-format.sh
