#!/usr/bin/env bash
# Installs what building, running and testing Bitmap Nivora needs on Debian 12.
# Only missing packages are installed; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libspng-dev libturbojpeg0-dev libgif-dev libavahi-client-dev nettle-dev nlohmann-json3-dev
  xvfb xauth socat imagemagick file dpkg-dev
  clang-format lintian appstream desktop-file-utils bash-completion scdoc
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
