#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it with the
# settings in .clang-format; lists each offending line. Fix with `clang-format -i FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed (scripts/setup-deps.sh installs it)" >&2
  exit 1
fi
if git ls-files -z '*.cpp' '*.h' | xargs -0 --no-run-if-empty clang-format --dry-run -Werror; then
  echo "Formatting: every tracked .cpp and .h file is clean."
else
  echo "check-format: the files above are not formatted; run clang-format -i on them" >&2
  exit 1
fi
