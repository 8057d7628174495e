#!/bin/sh
# Installs what is missing, builds, and starts the program on its built-in default
# configuration: the desktop program when it was built, else the command-line tool.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default
if [ -x build/ui/62500twk ] && [ -x scripts/run-gui.sh ]; then
  exec scripts/run-gui.sh "$@"
fi
exec build/62500cfg show "$@"
