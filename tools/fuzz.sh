#!/usr/bin/env bash
# Runs the libFuzzer targets for a while each, in parallel, and reports what they found.
#
#   tools/fuzz.sh [-t SECONDS] [-j JOBS] [-w WORKDIR] [TARGET...]
#
# -t  time per target (default 300), -j  targets run at once (default 4),
# -w  work folder, outside the repository (default ${TMPDIR:-/tmp}/fuzz-work).
# TARGET names a target without its "fuzz_" prefix (d3d9_draw, image_bmp, ...); none means all.
#
# Builds the sanitizer configuration first when it does not exist (tools/build.sh sanitize), and
# brings the targets it runs up to date.
# Each target starts from its corpus (the folders listed in build/sanitize/fuzz-targets/<name>
# .corpus: seeds made at build time, the committed seeds/ and regressions/) and keeps the new
# inputs it finds in WORKDIR/<name>/corpus, which the next run starts from as well. A crash,
# leak, timeout or sanitizer report leaves its input in WORKDIR/<name>/ (crash-*, leak-*,
# timeout-*, oom-*); copy it into fuzz/<name>/regressions/ once the fault is mended, so that the
# corpus replay in CTest keeps it. The summary gives, per target, the coverage points and
# features reached, the runs made and what was found; the exit code is 1 when anything was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=300
jobs=4
work=${TMPDIR:-/tmp}/fuzz-work
while getopts "t:j:w:h" opt; do
  case "$opt" in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    w) work=$OPTARG ;;
    *) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
build=$root/build/sanitize
case "$(realpath -m "$work")/" in
  "$root"/*) echo "fuzz.sh: the work folder must lie outside the repository" >&2; exit 2 ;;
esac

# The list of targets is known once the configuration exists; every target run is brought up to
# date first, so that no stale program is fuzzed.
if [ ! -f "$build/build.ninja" ]; then
  bash "$root/tools/build.sh" sanitize
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  cmake "$build" > /dev/null
  for f in "$build"/fuzz-targets/*.corpus; do
    [ -f "$f" ] && targets+=("$(basename "$f" .corpus)")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz.sh: no fuzz target in $build" >&2; exit 2; }
for t in "${targets[@]}"; do
  [ -f "$build/fuzz-targets/$t.corpus" ] || { echo "fuzz.sh: no target named $t" >&2; exit 2; }
done
cmake --build "$build" -j "${JOBS:-$jobs}" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One target: its new inputs go to the first corpus folder, its findings to its work folder.
run_one() {
  local name=$1 list=$build/fuzz-targets/$1.corpus
  local dir=$work/$name exe
  mkdir -p "$dir/corpus"
  exe=$(head -n 1 "$list")
  local corpus=("$dir/corpus")
  while IFS= read -r d; do
    [ -n "$d" ] && [ -d "$d" ] && corpus+=("$d")
  done < <(tail -n +2 "$list")
  local status=0
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$dir/" "${corpus[@]}" > "$dir/log" 2>&1 || status=$?
  echo "$status" > "$dir/status"
}
export -f run_one
export build work seconds

mkdir -p "$work"
echo "fuzz.sh: ${#targets[@]} targets, ${seconds} s each, ${jobs} at once; work in $work"
start=$(date +%s)
for t in "${targets[@]}"; do
  rm -f "$work/$t/status"
  printf '%s\0' "$t"
done | xargs -0 -n 1 -P "$jobs" bash -c 'run_one "$1"' _

found=0
printf '%-22s %8s %8s %12s %8s  %s\n' target cov ft runs corpus result
for t in "${targets[@]}"; do
  dir=$work/$t
  line=$(grep -E '^#[0-9]+.*cov: ' "$dir/log" | tail -n 1 || true)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<< "$line")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<< "$line")
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$dir/log" | tail -n 1)
  inputs=$(find "$dir/corpus" -type f | wc -l)
  status=$(cat "$dir/status" 2>/dev/null || echo "?")
  artifacts=$(find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
              -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
  if [ "$status" = 0 ] && [ -z "$artifacts" ]; then
    result=clean
  else
    result="FOUND (exit $status): ${artifacts:-see $dir/log}"
    found=1
  fi
  printf '%-22s %8s %8s %12s %8s  %s\n' "$t" "${cov:-?}" "${ft:-?}" "${runs:-?}" "$inputs" \
    "$result"
done
echo "fuzz.sh: done in $(( $(date +%s) - start )) s; logs in $work/<target>/log"
exit $found
