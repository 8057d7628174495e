#!/bin/sh
# Takes the README's pictures of the desktop program under Xvfb into docs/screenshots/.
set -e
cd "$(dirname "$0")/.."
cmake --preset default
cmake --build --preset default --target 62500twk-screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
  build/ui/62500twk-screenshots docs/screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
  build/ui/62500twk-screenshots docs/screenshots scale2
