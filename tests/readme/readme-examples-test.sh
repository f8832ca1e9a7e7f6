#!/usr/bin/env bash
# Runs every example command of the README as written, against the virtual printer.
#
#   readme-examples-test.sh README NIVORA_CLI NO_SLEEP_LIBRARY
#
# The examples are the lines of the README's ```sh blocks, run in order in one shell,
# in a scratch folder that holds docs/examples like the repository does. ```shell
# blocks (building, installing, sudo) and ```text blocks (synopses) are not run.
# Three things differ from a user at a terminal: the virtual printer's fixed path
# /tmp/vprinter becomes one inside the scratch folder and its TCP port 9100 a free one
# (tests run side by side); after a command put into the background the next one waits
# until the pseudo-terminal it makes exists or the port it listens on takes a
# connection, as a user typing the next line would; and the ledgers of the printers go
# into the scratch folder, not into the user's state folder.
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

# A TCP port nobody listens on, for the examples' port 9100.
port=
for _ in $(seq 50); do
    candidate=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
        port=$candidate
        break
    fi
done
[ -n "$port" ] || { echo "no free TCP port found"; exit 1; }
export XDG_STATE_HOME="$work/state"

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
    command=${command//9100/$port}
    echo "\$ $line"
    run=$((run + 1))
    if [[ $command =~ \&[[:space:]]*(#.*)?$ ]]; then
        eval "$command"
        link=$(grep -o 'link=[^,[:space:]]*' <<<"$command" | head -n1 | cut -d= -f2 || true)
        listen=$(grep -o -- '--listen [^[:space:]]*' <<<"$command" | head -n1 | sed 's/.*[ :]//' || true)
        for _ in $(seq 100); do
            if [ -n "$listen" ]; then
                (exec 3<>"/dev/tcp/127.0.0.1/$listen") 2>/dev/null && break
            elif [ -z "$link" ] || [ -e "$link" ]; then
                break
            fi
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
for file in out/nv-001.png out/nv-002.png out/print-001.png out/print-002.png logos.prn received.bin \
    vp/key-L1-001.png vp/key-L2-002.png vp/print-001.png state/nivora/*.ledger; do
    [ -s "$file" ] || { echo "FAIL: the examples left no $file"; failures=$((failures + 1)); }
done

echo "$run example commands run"
if [ "$failures" -gt 0 ]; then
    echo "0 passed, $failures failed"
    exit 1
fi
echo "1 passed, 0 failed"
