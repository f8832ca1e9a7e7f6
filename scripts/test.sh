#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, checks the formatting, builds everything and runs
# all tests headless: the whole suite, then the core and CLI tests again under
# AddressSanitizer + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
# Compiler cache hits across checkouts in other folders (a CI clone, a worktree).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

cmake --preset asan
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

# The Debian package installs with its dependencies and its programs start.
scripts/check-deb.sh
