#!/usr/bin/env bash
# Checks the bash completion of nivora-cli against the program itself: every command
# of "nivora-cli --help" and every option that "nivora-cli COMMAND --help" names must
# be offered, so an option added to a command without its completion fails here.
#
#   completion-test.sh NIVORA_CLI COMPLETION_FILE
set -uo pipefail
cli=$1
completion=$2

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Completes the words as if the cursor stood at the end of the last one.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _nivora_cli nivora-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
}

offered() { # word list-of-candidates
    grep -qxF -- "$1" <<<"$2"
}

# The commands: the lines under "Commands:" of the overview.
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || fail "no command found in 'nivora-cli --help'"
first=$(complete_words nivora-cli "")
for command in $commands --help --version; do
    offered "$command" "$first" || fail "command $command is not completed"
done

checked=0
for command in $commands; do
    help=$("$cli" "$command" --help) || fail "'nivora-cli $command --help' failed"
    # Options are words that start with - or -- and a letter, standing after a space,
    # a comma, a bracket or a bar, or at the start of a line.
    options=$(grep -oE '(^|[][ ,(|])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" | sed -E 's/^[][ ,(|]//' | sort -u)
    [ -n "$options" ] || fail "no option found in 'nivora-cli $command --help'"
    candidates=$(complete_words nivora-cli "$command" -)
    for option in $options; do
        checked=$((checked + 1))
        offered "$option" "$candidates" || fail "nivora-cli $command: $option is not completed"
    done
done

# Values of options, after a space and after "=".
expect_value() { # expected-word words...
    local expected=$1
    shift
    offered "$expected" "$(complete_words "$@")" || fail "'$*' does not offer $expected"
}
expect_value odd nivora-cli download --parity ""
expect_value 115200 nivora-cli check --baud 1
expect_value double-height nivora-cli print -m double
expect_value floyd-steinberg nivora-cli download --halftone=f
expect_value LPT1 nivora-cli print -p L
expect_value render nivora-cli help r

echo "$checked options of $(wc -w <<<"$commands") commands checked"
if [ "$failures" -gt 0 ]; then
    echo "0 passed, $failures failed"
    exit 1
fi
echo "1 passed, 0 failed"
