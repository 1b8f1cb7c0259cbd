#!/bin/sh
# Installs what is missing, builds, and starts KOLSHELL on the demo project.
set -e
cd "$(dirname "$0")"
sh tools/setup.sh
sh tools/build.sh
if [ -d demo ] && ls demo/*.DCK >/dev/null 2>&1; then
  set -- "$(ls demo/*.DCK | head -n 1)" "$@"
fi
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
  exec xvfb-run -a build/bin/kolshell "$@"
fi
exec build/bin/kolshell "$@"
