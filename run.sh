#!/bin/sh
# Installs what is missing, builds, and starts KOLSHELL on the demo project.
# The demo runs in a folder of the user's own (KOLSHELL_DEMO_DIR, ~/kolshell-demo by default):
# created once from demo/, later runs add only files that are missing there, so the user's
# edits, listings and outputs stay and the checkout is never written to.
set -e
start=$(pwd)
cd "$(dirname "$0")"
src=$(pwd)
sh tools/setup.sh run
sh tools/build.sh program
cd "$start" # names given on the command line are the user's
if [ $# -eq 0 ]; then
  work=${KOLSHELL_DEMO_DIR:-$HOME/kolshell-demo}
  mkdir -p "$work"
  cp -R -n "$src/demo/." "$work/"
  cd "$work"
  set -- DEMO.DCK
fi
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
  exec xvfb-run -a "$src/build/bin/kolshell" "$@"
fi
exec "$src/build/bin/kolshell" "$@"
