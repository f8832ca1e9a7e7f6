#!/usr/bin/env bash
# Runs every example command of the README as written, against the virtual printer.
#
#   readme-examples-test.sh README NIVORA_CLI NO_SLEEP_LIBRARY
#
# The examples are the lines of the README's ```sh blocks, run in order in one shell,
# in a scratch folder that holds docs/examples like the repository does. ```shell
# blocks (building, installing, sudo) and ```text blocks (synopses) are not run.
# Two things differ from a user at a terminal: the virtual printer's fixed path
# /tmp/vprinter becomes one inside the scratch folder (tests run side by side), and
# after a command put into the background the next one waits until the pseudo-
# terminal it makes exists, as a user typing the next line would.
set -euo pipefail
readme=$1
cli=$2
nosleep=$3
source_dir=$(cd "$(dirname "$readme")" && pwd)

work=$(mktemp -d)
cleanup() {
    # The background jobs the examples started (socat) end with the test.
    jobs -p | xargs -r kill 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/docs"
cp -r "$source_dir/docs/examples" "$work/docs/"

examples=$(awk '/^```sh$/ { inside = 1; next } /^```/ { inside = 0 } inside' "$readme")
count=$(grep -cv '^[[:space:]]*\(#.*\)\?$' <<<"$examples" || true)
[ "$count" -gt 0 ] || { echo "no example found in $readme"; exit 1; }

mkdir -p "$work/bin"
ln -s "$cli" "$work/bin/nivora-cli"
export PATH="$work/bin:$PATH"
export LD_PRELOAD="$nosleep"
# A sanitizer build accepts the preloaded library only when told to.
export ASAN_OPTIONS="verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
cd "$work"

failures=0
run=0
while IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*(#.*)?$ ]] && continue
    command=${line//\/tmp\/vprinter/$work/vprinter}
    echo "\$ $line"
    run=$((run + 1))
    if [[ $command =~ \&[[:space:]]*(#.*)?$ ]]; then
        eval "$command"
        link=$(grep -o 'link=[^,[:space:]]*' <<<"$command" | head -n1 | cut -d= -f2)
        for _ in $(seq 100); do
            [ -z "$link" ] || [ -e "$link" ] && break
            sleep 0.05
        done
        continue
    fi
    if ! (eval "$command"); then
        echo "FAIL: $line"
        failures=$((failures + 1))
    fi
done <<<"$examples"

# What the examples promise to leave behind.
for file in out/nv-001.png out/nv-002.png out/print-001.png out/print-002.png logos.prn received.bin; do
    [ -s "$file" ] || { echo "FAIL: the examples left no $file"; failures=$((failures + 1)); }
done

echo "$run example commands run"
if [ "$failures" -gt 0 ]; then
    echo "0 passed, $failures failed"
    exit 1
fi
echo "1 passed, 0 failed"
