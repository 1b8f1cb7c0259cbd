#!/bin/sh
# Installs what KOLSHELL needs on Debian, when it is missing.
#   setup.sh run    what building and running the program needs (./run.sh)
#   setup.sh test   that, and what the test suite and the package checks need (./test.sh, CI)
set -e
mode=${1:-test}
case $mode in
run | test) ;;
*)
  echo "usage: setup.sh [run|test]" >&2
  exit 2
  ;;
esac
# The compiler, Qt with its platform plugins, and xvfb-run for starting without a display.
# CLI11 (header only) parses koltool's command line.
PKGS="cmake g++ make ninja-build qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev libcli11-dev xvfb"
PKGS="$PKGS xauth"
if [ "$mode" = test ]; then
  PKGS="$PKGS x11-utils"
  # The package and its checks (tools/ci-package.sh).
  PKGS="$PKGS dpkg-dev file desktop-file-utils libxml2-utils lintian man-db"
  # The one-node cluster of the slurm tests.
  PKGS="$PKGS slurm-wlm munge"
fi
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
fi
