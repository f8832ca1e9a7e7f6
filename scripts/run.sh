#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Bitmap Nivora and starts it. Arguments go
# to the program (scripts/run.sh --version, scripts/run.sh --user-dir).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target nivora nivora-cli
# The build names the programs it made (build/default/bin/nivora today).
# shellcheck source=/dev/null
. build/default/programs.env
exec "$NIVORA" "$@"
