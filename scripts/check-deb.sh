#!/usr/bin/env bash
# Builds the Debian package from the default build and checks that it installs with
# its dependencies and that the installed programs start. Installing needs root (or
# sudo); the package is removed again afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
(cd "$build" && cpack -G DEB >/dev/null 2>&1)
deb=$(ls -t "$build"/bitmap-nivora_*_*.deb | head -n1)
echo "Checking $deb"

# Every library the programs need is found on this system.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
for exe in "$tmp"/usr/bin/*; do
  if ldd "$exe" | grep -q "not found"; then
    echo "unresolved libraries in $exe"; ldd "$exe"; exit 1
  fi
done
dpkg-deb -c "$deb" >"$tmp/contents"
grep -q "./usr/share/applications/nivora.desktop" "$tmp/contents"
grep -q "./usr/share/icons/hicolor/256x256/apps/nivora.png" "$tmp/contents"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap '$SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq bitmap-nivora >/dev/null; rm -rf "$tmp"' EXIT
/usr/bin/nivora-cli --help >"$tmp/help"
grep -q "Usage: nivora-cli" "$tmp/help"
test -x /usr/bin/nivora
echo "Package installs and nivora-cli runs."
