#!/usr/bin/env bash
# Plants small faults (mutants) in the program's code one at a time and runs the test
# suite against each: a mutant the suite lets through marks behaviour no test pins
# down. Run by hand before trimming or moving tests; CI does not run it.
#
#   scripts/mutate.sh [options]
#     --area A[,B...]     only the mutants of these areas (conversion, stream, ...)
#     --only N[,M-K...]   only these mutant numbers
#     --jobs N            build jobs (default 1: the machine is shared)
#     --test-jobs N       tests run side by side (default 1)
#     --timeout S         limit for one test that sets none itself (default 60 s)
#     --all-tests         run the whole suite for every mutant and name every test
#                         that catches it (default: stop at the first failing test)
#     --no-baseline       skip the run of the suite on the unchanged code
#     --check             only check that every mutant's text is still in the code
#     --diff              only show each mutant as a diff against the code
#     --list FILE         the mutant list (default scripts/mutants.txt)
#     --scratch DIR       the scratch copy (default /tmp/nivora-mutate-<id>)
#
# The mutants are planted in a scratch copy of this checkout (its tracked and new
# files as they are now, committed or not), never in the checkout itself. The copy
# keeps its build folder between runs, so each mutant recompiles only what its file
# touches, and the compiler cache serves the unchanged code. A mutant ends as
#   killed        a test failed three times in a row (or the suite hung); a test that
#                 fails and then passes is flaky, not a catch, and is named at the end
#   survived      every test passed: a gap in the tests, or a mutant that changes
#                 nothing a user could see (say which in the list's description)
#   build-broken  it does not compile: caught by the compiler, not by a test; a good
#                 mutant compiles, so fix its line
#   n/a           its text is not in the file (the code moved) or is there twice
# The README-run-command test is left out: it rebuilds with every core and looks at
# nothing the mutants change. Use nice -n 19 on a shared machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

list="$root/scripts/mutants.txt"
areas="" only="" jobs=1 test_jobs=1 test_timeout=60 all_tests=0 baseline=1 check_only=0
scratch="/tmp/nivora-mutate-$(printf %s "$root" | md5sum | cut -c1-8)"

die() {
    echo "mutate.sh: $*" >&2
    exit 2
}
usage() {
    sed -n '/^#   scripts/,/^# The mutants/p' "$0" | sed '$d; s/^# \{0,1\}//'
    exit "${1:-0}"
}
while [ $# -gt 0 ]; do
    case $1 in
    --area) areas=${2:?--area needs a value}; shift ;;
    --only) only=${2:?--only needs a value}; shift ;;
    --jobs) jobs=${2:?--jobs needs a value}; shift ;;
    --test-jobs) test_jobs=${2:?--test-jobs needs a value}; shift ;;
    --timeout) test_timeout=${2:?--timeout needs a value}; shift ;;
    --all-tests) all_tests=1 ;;
    --no-baseline) baseline=0 ;;
    --check) check_only=1 ;;
    --diff) check_only=2 ;;
    --list) list=$(cd "$(dirname "${2:?--list needs a value}")" && pwd)/$(basename "$2"); shift ;;
    --scratch) scratch=${2:?--scratch needs a value}; shift ;;
    -h | --help) usage 0 ;;
    *) echo "mutate.sh: unknown option '$1'" >&2; usage 2 >&2 ;;
    esac
    shift
done
for n in "$jobs" "$test_jobs" "$test_timeout"; do
    [[ $n =~ ^[1-9][0-9]*$ ]] || die "'$n' is not a positive number"
done
[ -f "$list" ] || die "no mutant list at $list"
scratch=$(realpath -m "$scratch")
case "$scratch/" in
"$root"/*) die "the scratch copy must lie outside the checkout ($root)" ;;
esac

# --- The mutant list ----------------------------------------------------------------
# One mutant a line: NUMBER @@ AREA @@ FILE @@ FIND @@ REPLACE @@ DESCRIPTION. FIND must
# stand exactly once in FILE; in FIND and REPLACE, \n is a line break and \\ a
# backslash. An empty REPLACE deletes FIND.
ids=() m_area=() m_file=() m_find=() m_repl=() m_desc=()
declare -A seen=()
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
    lineno=$((lineno + 1))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    fields=()
    rest=$line
    while [[ $rest == *' @@ '* ]]; do
        fields+=("${rest%% @@ *}")
        rest=${rest#* @@ }
    done
    fields+=("$rest")
    [ ${#fields[@]} -eq 6 ] || die "$list:$lineno: ${#fields[@]} fields, not 6"
    id=${fields[0]// /}
    [[ $id =~ ^[0-9]+$ ]] || die "$list:$lineno: '$id' is no mutant number"
    [ -z "${seen[$id]:-}" ] || die "$list:$lineno: mutant $id is listed twice"
    [ "${fields[3]}" != "${fields[4]}" ] || die "$list:$lineno: mutant $id changes nothing"
    seen[$id]=1
    ids+=("$id")
    m_area+=("${fields[1]// /}")
    m_file+=("${fields[2]// /}")
    m_find+=("${fields[3]}")
    m_repl+=("${fields[4]}")
    m_desc+=("${fields[5]}")
done <"$list"
[ ${#ids[@]} -gt 0 ] || die "$list lists no mutant"

# "3,7-9" -> true for 3, 7, 8 and 9.
in_numbers() {
    local id=$1 part
    IFS=, read -ra parts <<<"$2"
    for part in "${parts[@]}"; do
        if [[ $part =~ ^([0-9]+)-([0-9]+)$ ]]; then
            ((id >= BASH_REMATCH[1] && id <= BASH_REMATCH[2])) && return 0
        elif [[ $part =~ ^[0-9]+$ ]]; then
            ((id == part)) && return 0
        else
            die "--only: '$part' is no number or range"
        fi
    done
    return 1
}
selected=()
for i in "${!ids[@]}"; do
    [ -n "$areas" ] && [[ ",$areas," != *",${m_area[$i]},"* ]] && continue
    [ -n "$only" ] && ! in_numbers "${ids[$i]}" "$only" && continue
    selected+=("$i")
done
[ ${#selected[@]} -gt 0 ] || die "no mutant matches --area '$areas' --only '$only'"

# Plants a mutant in a file: exit 0 planted, 3 text not found, 4 text found twice.
# With MUT_DRY set it only looks.
plant() {
    MUT_FIND=$2 MUT_REPLACE=$3 perl -e '
        sub unescape { my $s = shift; $s =~ s/\\(n|\\)/$1 eq "n" ? "\n" : "\\"/ge; return $s; }
        my $find = unescape($ENV{MUT_FIND});
        my $replace = unescape($ENV{MUT_REPLACE});
        open(my $in, "<", $ARGV[0]) or exit 3;
        my $text = do { local $/; <$in> };
        close $in;
        my $at = index($text, $find);
        exit 3 if $at < 0;
        exit 4 if index($text, $find, $at + 1) >= 0;
        exit 0 if $ENV{MUT_DRY};
        substr($text, $at, length $find) = $replace;
        open(my $out, ">", $ARGV[0]) or die "cannot write $ARGV[0]: $!";
        print $out $text;
        close $out or die "cannot write $ARGV[0]: $!";' "$1"
}
why_not_applicable() {
    case $1 in
    3) echo "text not found" ;;
    4) echo "text found more than once" ;;
    *) echo "cannot read the file" ;;
    esac
}

if [ "$check_only" != 0 ]; then
    bad=0
    copy=$(mktemp)
    trap 'rm -f "$copy"' EXIT
    for i in "${selected[@]}"; do
        status=0
        if [ "$check_only" = 2 ] && cp "$root/${m_file[$i]}" "$copy" 2>/dev/null; then
            plant "$copy" "${m_find[$i]}" "${m_repl[$i]}" || status=$?
            [ "$status" = 0 ] && { echo "#${ids[$i]} ${m_area[$i]}: ${m_desc[$i]}"; diff -U1 --label "a/${m_file[$i]}" \
                --label "b/${m_file[$i]}" "$root/${m_file[$i]}" "$copy" | tail -n +3 || true; }
        else
            MUT_DRY=1 plant "$root/${m_file[$i]}" "${m_find[$i]}" "${m_repl[$i]}" || status=$?
        fi
        if [ "$status" != 0 ]; then
            printf '#%s %s %s: %s\n' "${ids[$i]}" "${m_area[$i]}" "${m_file[$i]}" "$(why_not_applicable "$status")"
            bad=$((bad + 1))
        fi
    done
    echo "${#selected[@]} mutants checked, $bad not applicable"
    exit 0
fi

# --- The scratch copy ---------------------------------------------------------------
src="$scratch/src"
build="$src/build/default"
mkdir -p "$src"
exec 9>"$scratch/lock"
flock -n 9 || die "another run uses $scratch"

# Copies the checkout's files that differ (a fresh time stamp makes the build see
# them) and removes those the checkout no longer has; the build folder stays.
sync_copy() {
    local files="$scratch/files" f
    (cd "$root" && git ls-files -co --exclude-standard) | sort -u >"$files"
    while IFS= read -r f; do
        [ -f "$root/$f" ] || continue
        if ! cmp -s "$root/$f" "$src/$f"; then
            mkdir -p "$(dirname "$src/$f")"
            cp "$root/$f" "$src/$f"
        fi
    done <"$files"
    (cd "$src" && find . -path ./build -prune -o -type f -print | sed 's|^\./||' | sort) |
        comm -13 "$files" - | while IFS= read -r f; do rm -f "$src/$f"; done
}

run_dir="$scratch/run-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$run_dir"
results="$run_dir/results.tsv"
: >"$results"
export CCACHE_BASEDIR="$src"
# Debug information may name another checkout's folder: nobody debugs the scratch
# copy, and a fresh one then builds from what a checkout's build left in the cache.
export CCACHE_NOHASHDIR=1
export QT_QPA_PLATFORM=offscreen

echo "Scratch copy: $src"
echo "Logs: $run_dir"
sync_copy
if [ ! -f "$build/CMakeCache.txt" ]; then
    (cd "$src" && cmake --preset default) >"$run_dir/configure.log" 2>&1 ||
        die "configuring the scratch copy failed, see $run_dir/configure.log"
fi

build_all() {
    cmake --build "$build" -j"$jobs" >"$1" 2>&1
}

# Runs the suite; $1 the log, $2 1 to stop at the first failure. Exit status that of
# ctest, 124 when the whole suite ran past its limit.
suite_limit=7200
run_suite() {
    local stop=()
    [ "$2" = 1 ] && stop=(--stop-on-failure)
    (cd "$build" && timeout -k 30 "$suite_limit" ctest --timeout "$test_timeout" -j"$test_jobs" \
        --repeat until-pass:3 -E '^readme\.run_command$' --output-on-failure "${stop[@]}") >"$1" 2>&1
}

# Tests a log shows failing and then passing when run again: they depend on the
# machine's load or timing, and are named so that they can be made sound.
flaky_tests() {
    sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) \.*[ *]*\([A-Za-z]*\).*$/\1 \2/p' "$1" |
        awk '$2 != "Passed" { bad[$1] = 1 } $2 == "Passed" && bad[$1] { print $1 }' | sort -u
}

# The tests a log names as failed, comma-separated.
failed_tests() {
    sed -n '/The following tests FAILED:/,$p' "$1" | sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' |
        sed 's/[[:space:]]*# GetParam() = .*//; s/ *[0-9]*-byte object <[^>]*>//' | paste -sd, - | sed 's/,/, /g'
}

started=$(date +%s)
if [ "$baseline" = 1 ]; then
    echo "Building and testing the unchanged code..."
    build_all "$run_dir/baseline.build.log" || die "the unchanged code does not build, see $run_dir/baseline.build.log"
    t0=$(date +%s)
    if ! run_suite "$run_dir/baseline.test.log" 0; then
        die "the suite fails without any mutant ($(failed_tests "$run_dir/baseline.test.log")), see $run_dir/baseline.test.log"
    fi
    baseline_s=$(($(date +%s) - t0))
    flaky_tests "$run_dir/baseline.test.log" >>"$run_dir/flaky"
    # A suite three times slower than unchanged is hanging somewhere.
    suite_limit=$((3 * baseline_s + 300))
    echo "The unchanged code passes the suite in ${baseline_s} s."
fi

# --- The mutants ----------------------------------------------------------------------
current_file="" backup="$scratch/original"
restore() {
    if [ -n "$current_file" ]; then
        cp "$backup" "$current_file" # a fresh time stamp: the next build recompiles it
        current_file=""
    fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

# Plants mutant i in the scratch copy, builds and tests; sets result and detail.
try_mutant() {
    local status=0
    detail=""
    if [ ! -f "$file" ]; then
        result=n/a detail="no file ${m_file[$i]}"
        return
    fi
    cp "$file" "$backup"
    current_file=$file
    plant "$file" "${m_find[$i]}" "${m_repl[$i]}" 2>"$log.plant.log" || status=$?
    if [ "$status" != 0 ]; then
        current_file=""
        result=n/a detail=$(why_not_applicable "$status")
        return
    fi
    if ! build_all "$log.build.log"; then
        result=build-broken detail=$(grep -m1 -E 'error' "$log.build.log" | cut -c1-160 || true)
        return
    fi
    run_suite "$log.test.log" $((1 - all_tests)) || status=$?
    flaky_tests "$log.test.log" >>"$run_dir/flaky"
    if [ "$status" = 0 ]; then
        result=survived
    elif [ "$status" = 124 ]; then
        result=killed detail="the suite ran past ${suite_limit} s"
    else
        result=killed detail=$(failed_tests "$log.test.log")
        [ -n "$detail" ] || detail=$(grep -m1 -iE 'error|fail' "$log.test.log" | cut -c1-160 || true)
    fi
}

total=${#selected[@]} k=0
for i in "${selected[@]}"; do
    k=$((k + 1))
    id=${ids[$i]} file="$src/${m_file[$i]}"
    t0=$(date +%s)
    log="$run_dir/$id"
    try_mutant
    restore
    seconds=$(($(date +%s) - t0))
    printf '%s\t%s\t%s\t%s\t%s\n' "$id" "${m_area[$i]}" "$result" "$seconds" "$detail" >>"$results"
    printf '[%2d/%d] #%-3s %-14s %-12s %4ss  %s\n' "$k" "$total" "$id" "${m_area[$i]}" "$result" "$seconds" \
        "${detail:0:100}"
done
# The scratch build ends on the unchanged code.
build_all "$run_dir/final.build.log" || echo "mutate.sh: the restored copy does not build, see $run_dir/final.build.log" >&2

# --- The summary ----------------------------------------------------------------------
{
    echo
    echo "Mutants by area (score: killed by a test or refused by the compiler, of those applicable):"
    awk -F'\t' '
        { area[$2] = 1; n[$2, $3]++; all[$3]++ }
        END {
            printf "  %-14s %6s %6s %8s %6s %6s\n", "area", "killed", "broken", "survived", "n/a", "score"
            for (a in area) order[++c] = a
            for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (order[j] < order[i]) { t = order[i]; order[i] = order[j]; order[j] = t }
            for (i = 1; i <= c; i++) {
                a = order[i]; k = n[a, "killed"] + n[a, "build-broken"]; s = n[a, "survived"]
                printf "  %-14s %6d %6d %8d %6d %6s\n", a, n[a, "killed"], n[a, "build-broken"], s, n[a, "n/a"], k "/" (k + s)
            }
            k = all["killed"] + all["build-broken"]; s = all["survived"]
            printf "  %-14s %6d %6d %8d %6d %6s\n", "all", all["killed"], all["build-broken"], s, all["n/a"], k "/" (k + s)
        }' "$results"
    for kind in survived build-broken n/a; do
        if awk -F'\t' -v k="$kind" '$3 == k { found = 1 } END { exit !found }' "$results"; then
            echo
            echo "${kind^}:"
            while IFS=$'\t' read -r id area result seconds detail; do
                [ "$result" = "$kind" ] || continue
                for i in "${!ids[@]}"; do
                    [ "${ids[$i]}" = "$id" ] || continue
                    printf '  #%s %s, %s: %s' "$id" "$area" "${m_file[$i]}" "${m_desc[$i]}"
                    [ -n "$detail" ] && printf ' (%s)' "$detail"
                    printf '\n'
                done
            done <"$results"
        fi
    done
    if [ -s "$run_dir/flaky" ]; then
        echo
        echo "Flaky (failed, then passed when run again):"
        sort "$run_dir/flaky" | uniq -c | awk '{ printf "  %s (%d run%s)\n", $2, $1, ($1 > 1 ? "s" : "") }'
    fi
    echo
    echo "$total mutants in $(($(date +%s) - started)) s; per-mutant results in $results"
} | tee "$run_dir/summary.txt"
