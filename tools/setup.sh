#!/bin/sh
# Installs what building and testing KOLSHELL needs on Debian, when it is missing.
set -e
PKGS="cmake g++ make ninja-build qt6-base-dev qt6-svg-dev libgl-dev xvfb xauth x11-utils"
# The package and its checks (tools/ci-package.sh).
PKGS="$PKGS dpkg-dev desktop-file-utils libxml2-utils"
# The one-node cluster of the slurm tests.
PKGS="$PKGS slurm-wlm munge"
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
fi
