#!/usr/bin/env bash
# Prints how much of the C++ code is tests: non-blank lines that are not only a comment,
# in tracked .cpp and .h files, tests/ against everything. Not run by CI; the target is
# at most a third.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    # Drops blank lines, // comment lines and the lines of /* ... */ comments.
    xargs -0 --no-run-if-empty cat | awk '
        { line = $0 }
        inblock { if (index(line, "*/")) { inblock = 0; line = substr(line, index(line, "*/") + 2) } else next }
        { sub(/^[ \t]+/, "", line) }
        line == "" { next }
        line ~ /^\/\// { next }
        line ~ /^\/\*/ { if (!index(line, "*/")) inblock = 1; next }
        { n++ }
        END { print n + 0 }'
}
all=$(git ls-files -z '*.cpp' '*.h' | count)
tests=$(git ls-files -z 'tests/*.cpp' 'tests/*.h' | count)
awk -v t="$tests" -v a="$all" 'BEGIN { printf "tests %d of %d lines: %.1f %%\n", t, a, 100 * t / a }'
