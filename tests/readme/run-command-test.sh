#!/usr/bin/env bash
# The README's run command, as a new user types it, starts the program it built: run
# from the source folder with an argument, it must end in the program's version line.
# The folder the README puts on PATH for the command-line tool must hold it too.
#
#   run-command-test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$1
version=$2
cd "$source_dir"

command=$(awk '/^```shell$/ { inside = 1; next } /^```/ { inside = 0 } inside' README.md | head -n1)
[ "$command" = "scripts/run.sh" ] || { echo "README's first command is '$command', not scripts/run.sh"; exit 1; }

out=$(scripts/run.sh --version </dev/null)
last=$(tail -n1 <<<"$out")
[ "$last" = "nivora $version" ] || { echo "scripts/run.sh --version ended with '$last', not 'nivora $version'"; exit 1; }

dir=$(sed -n 's/.*export PATH="\$PWD\/\([^:"]*\):\$PATH".*/\1/p' README.md | head -n1)
[ -n "$dir" ] || { echo "README names no folder to put on PATH"; exit 1; }
[ "$("$dir/nivora-cli" --version)" = "nivora-cli $version" ] || { echo "$dir/nivora-cli does not run"; exit 1; }
echo "scripts/run.sh starts $last; $dir holds nivora-cli"
