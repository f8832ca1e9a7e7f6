#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Bitmap Nivora and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target nivora nivora-cli
exec build/default/app/nivora "$@"
