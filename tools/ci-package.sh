#!/bin/sh
# CI: builds the Debian package, checks its files, unpacks it into a temporary root and starts
# the installed kolshell offscreen on the demo deck. Run after test.sh (build/ exists).
set -e
cd "$(dirname "$0")/.."
src=$(pwd)
sh tools/setup.sh test

# The manual pages: man's own checks must have nothing to say.
for page in packaging/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$warnings"
    echo "man --warnings on $page"
    exit 1
  fi
done
# The bash completion offers koltool's commands.
words=$(bash -c '. packaging/bash-completion/koltool
  COMP_WORDS=(koltool ma) COMP_CWORD=1
  _koltool
  echo "${COMPREPLY[*]}"')
[ "$words" = "make-plot make-kolsed" ] || { echo "completion of 'koltool ma': $words"; exit 1; }

cmake --build build -j"$(nproc)"
rm -f build/kolshell_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/kolshell_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | grep -E 'Package|Version|Depends'
dpkg-deb --info "$deb" | grep -q 'Depends:.*libqt6widgets6' || { echo "no Qt dependency"; exit 1; }

list=$(mktemp)
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$list"
for f in /usr/lib/kolshell/kolshell /usr/lib/kolshell/kolsed /usr/lib/kolshell/koltool \
  /usr/lib/kolshell/koltool-image /usr/lib/kolshell/KOLWIN/ \
  /usr/lib/kolshell/KOLVAN32.exe /usr/lib/kolshell/KOLSHELL.DFT /usr/lib/kolshell/CNFGKV.KOL \
  /usr/lib/kolshell/Header.txt /usr/lib/kolshell/INFO/ /usr/lib/kolshell/help/index.html \
  /usr/lib/kolshell/help/contexts.txt /usr/bin/kolshell /usr/bin/kolsed /usr/bin/koltool \
  /usr/share/applications/kolshell.desktop /usr/share/applications/kolsed.desktop \
  /usr/share/mime/packages/kolshell.xml /usr/share/icons/hicolor/scalable/apps/kolshell.svg \
  /usr/share/icons/hicolor/48x48/apps/kolshell.png /usr/share/kolshell/demo/DEMO.DCK \
  /usr/share/man/man1/kolshell.1.gz /usr/share/man/man1/kolsed.1.gz \
  /usr/share/man/man1/koltool.1.gz /usr/share/bash-completion/completions/koltool \
  /usr/share/doc/kolshell/copyright /usr/share/doc/kolshell/changelog.Debian.gz; do
  grep -qx "$f" "$list" || { echo "missing from the package: $f"; exit 1; }
done
rm -f "$list"

# Debian's rules: lintian has no error and no warning to give, beyond the overrides the
# package carries (each with its reason).
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
xmllint --noout "$root"/usr/share/mime/packages/kolshell.xml

# The installed program on a copy of the demo, as a user without write access to it: it must
# come up, open the deck, and stay up until it is ended.
chmod -R a-w "$root/usr/lib/kolshell"
work="$root/demo"
cp -R "$src/demo" "$work"
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config"
mkdir -p "$HOME"
cd "$work"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/kolshell" DEMO.DCK >"$root/run.log" 2>&1 &
pid=$!
sleep 5
if ! kill -0 "$pid" 2>/dev/null; then
  cat "$root/run.log"
  echo "the installed kolshell did not stay up"
  exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
"$root/usr/bin/koltool" dft "$root/usr/lib/kolshell/KOLSHELL.DFT" >/dev/null
# --help and --version answer without a display.
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
  "$root/usr/bin/kolshell" --version | grep -qx "kolshell [0-9.]*" &&
    "$root/usr/bin/kolsed" --help | grep -q "^Usage: kolsed \[FILE\]") ||
  { echo "the installed kolshell --help or --version did not answer"; exit 1; }
# Through the link in bin, koltool finds koltool-image in the program directory.
if "$root/usr/bin/koltool" plot-image "$work/NONE.KSP" "$work/none.png" 2>"$root/image.log" ||
  ! grep -q "NONE.KSP was not found" "$root/image.log"; then
  cat "$root/image.log"
  echo "the installed koltool plot-image did not run koltool-image"
  exit 1
fi
echo "package checked"
