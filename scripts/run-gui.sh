#!/bin/sh
# Starts the desktop program; without a display it runs on a virtual one (Xvfb).
cd "$(dirname "$0")/.."
if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
  exec build/ui/62500twk "$@"
fi
echo "No display found: starting 62500twk on a virtual X display (xvfb-run)." >&2
echo "Stop it with Ctrl+C." >&2
exec xvfb-run -a -s "-screen 0 1280x1024x24" build/ui/62500twk "$@"
