#!/usr/bin/env bash
# Builds the Debian package from a build folder (build/default unless one is given,
# e.g. build/package) and checks it: lintian reports no error, the AppStream metainfo
# and the desktop entry validate, the documentation is in place, it installs with its
# dependencies and the installed programs start. Installing needs root (or sudo); the
# package is removed again afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
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
for file in usr/share/icons/hicolor/256x256/apps/nivora.png usr/share/man/man1/nivora.1.gz \
  usr/share/man/man1/nivora-cli.1.gz usr/share/bash-completion/completions/nivora-cli \
  usr/share/doc/bitmap-nivora/copyright usr/share/doc/bitmap-nivora/changelog.Debian.gz \
  usr/share/doc/bitmap-nivora/examples/coffee.bmp usr/share/metainfo/io.github.nivora.BitmapNivora.metainfo.xml; do
  grep -q "\./$file\$" "$tmp/contents" || { echo "missing from the package: /$file"; exit 1; }
done
appstreamcli validate --no-net "$tmp"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$tmp"/usr/share/applications/nivora.desktop
# Errors fail; warnings and the rest are shown for the record.
lintian --fail-on error --display-level ">=warning" "$deb"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap '$SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq bitmap-nivora >/dev/null; rm -rf "$tmp"' EXIT
/usr/bin/nivora-cli --help >"$tmp/help"
grep -q "Usage: nivora-cli" "$tmp/help"
test -x /usr/bin/nivora
echo "Package installs and nivora-cli runs."
