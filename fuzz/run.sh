#!/bin/bash
# Builds the libFuzzer targets and fuzzes each of them for a while.
#   fuzz/run.sh [seconds per run, default 60]
# Environment: BUILD_DIR (default build-fuzz, relative to the repository), FUZZ_CXX (default
# clang++-14), FUZZ_LOCALES (the system locales the conversions are fuzzed under, default
# "C.UTF-8 tr_TR.UTF-8": Turkish lower-cases ASCII I to a dotless i).
# New inputs go to a scratch copy of each seed corpus; the committed seeds never change.
# Inputs that fail are kept in $BUILD_DIR/findings/, logs in $BUILD_DIR/logs/.
# Exits non-zero when any run finds a crash, a difference, a leak or a timeout.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: fuzz/run.sh [seconds per run]" >&2
    exit 2
fi
build_dir=${BUILD_DIR:-build-fuzz}
locales=${FUZZ_LOCALES:-C.UTF-8 tr_TR.UTF-8}

cmake -S fuzz -B "$build_dir" -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++-14}" >/dev/null \
    || { echo "fuzz: configuring failed" >&2; exit 2; }
cmake --build "$build_dir" -j"$(nproc)" \
    || { echo "fuzz: building failed" >&2; exit 2; }
build_dir=$(cd "$build_dir" && pwd)
mkdir -p "$build_dir/logs" "$build_dir/findings"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wimblet-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0

# run_target <target> <max_len> <locale> [more libFuzzer flags]
run_target() {
    local target=$1 max_len=$2 locale=$3
    shift 3
    local name="$target@$locale"
    local corpus="$scratch/$name" findings="$build_dir/findings/$name"
    local log="$build_dir/logs/$name.log"
    mkdir -p "$corpus" "$findings"
    cp fuzz/corpus/"$target"/* "$corpus"/
    # A few pieces of generated Indonesian prose, each with a seed of its own.
    local seed
    for seed in 1 2 3 4; do
        "$build_dir/tests/support/wimblet-sampletext" "$max_len" "$seed" \
            | head -c "$max_len" >"$corpus/generated_prose_$seed"
    done
    LC_ALL=$locale "$build_dir/$target" "$corpus" \
        -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$@" >"$log" 2>&1
    local status=$?
    local stats runs
    stats=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 \
        | sed -E 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+//; s/[[:space:]]+lim:.*//')
    runs=$(sed -nE 's/^stat::number_of_executed_units:[[:space:]]*//p' "$log" | tail -n 1)
    if ((status == 0)); then
        passed=$((passed + 1))
        printf 'PASS %-40s %s s, %s runs, %s\n' "$name" "$seconds" "${runs:-?}" "${stats:-?}"
    else
        failed=$((failed + 1))
        local artifact
        artifact=$(sed -nE 's/.*Test unit written to (.*)$/\1/p' "$log" | tail -n 1)
        printf 'FAIL %-40s exit %s, input %s, log %s\n' "$name" "$status" \
            "${artifact:-(none written)}" "$log"
        grep -m 1 -E '^(=== |==[0-9]+==ERROR|SUMMARY)' "$log" | sed 's/^/     /'
    fi
}

run_target fuzz_document_roundtrip 4096 C.UTF-8
run_target fuzz_document_chunks 4096 C.UTF-8
for locale in $locales; do
    # The step-by-step conversion is the slow side: short inputs keep runs quick, and the
    # long texts of many words ("~" inputs) are mutated less often than the quick ones.
    run_target fuzz_convert_cute 512 "$locale" -entropic_scale_per_exec_time=1
    run_target fuzz_convert_normal 512 "$locale" -entropic_scale_per_exec_time=1
done

echo "$passed passed, $failed failed"
((failed == 0))
