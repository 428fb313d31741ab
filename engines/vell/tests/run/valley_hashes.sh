#!/usr/bin/env bash
# engine-run on the valley with its scripted pad: the game ends itself after 600 frames; the
# per-frame hashes are the same on a second run, with address-space randomisation off
# (setarch -R), with MALLOC_PERTURB_ and drawn every second frame, and equal the golden file.
# ENGINES_WRITE_GOLDEN=1 writes the golden file anew (on purpose only).
#   valley_hashes.sh ENGINE_RUN ARCHIVE SETUP INPUT GOLDEN
set -euo pipefail
runner=$1 archive=$2 setup=$3 input=$4 golden=$5
fail() { echo "FAILED: $*" >&2; exit 1; }
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
# More frames than the game runs: it must end by itself.
run() { "$@" --archive "$archive" --setup "$setup" --input "$input" --seed 11 --frames 700 --hash 2>"$errors"; }

first=$(run "$runner")
[ ! -s "$errors" ] || fail "messages on standard error: $(cat "$errors")"
[ "$(printf '%s\n' "$first" | grep -c '^frame [0-9]* hash [0-9a-f]\{16\}$')" = 600 ] ||
  fail "expected 600 lines 'frame N hash H' (the game ends itself), got $(printf '%s\n' "$first" | wc -l): $(printf '%s\n' "$first" | tail -2)"
[ "$(printf '%s\n' "$first" | sort -u -k4 | wc -l)" -gt 500 ] || fail "the hash barely changes"
[ "$(run "$runner")" = "$first" ] || fail "a second run differs"
[ "$(run setarch "$(uname -m)" -R "$runner")" = "$first" ] || fail "differs with ASLR off"
[ "$(MALLOC_PERTURB_=165 run "$runner")" = "$first" ] || fail "differs with MALLOC_PERTURB_"
[ "$(run "$runner" --draw 2)" = "$first" ] || fail "drawing every second frame changes the hashes"
[ ! -s "$errors" ] || fail "messages on standard error while drawing: $(cat "$errors")"
# The post effects registered (the game has their shaders) and the game played to its end.
logged=$(run "$runner" --log --draw 2 | grep -v '^frame ')
printf '%s\n' "$logged" | grep -qx '\[\] post effects true true true' ||
  fail "the post effects did not register: $(printf '%s\n' "$logged" | tail -3)"
printf '%s\n' "$logged" | grep -qx '\[\] valley done' || fail "the game did not reach its end"
# Without the pad the player stands still: other hashes.
unpadded=$("$runner" --archive "$archive" --setup "$setup" --seed 11 --frames 700 --hash)
[ "$unpadded" != "$first" ] || fail "the scripted pad changes nothing"

if [ "${ENGINES_WRITE_GOLDEN:-}" = 1 ]; then
  printf '%s\n' "$first" > "$golden"
  echo "wrote $golden"
fi
[ -f "$golden" ] || fail "no golden file $golden (ENGINES_WRITE_GOLDEN=1 writes it)"
if [ "$first" != "$(cat "$golden")" ]; then
  diff <(cat "$golden") <(printf '%s\n' "$first") | head -5 >&2
  fail "the hashes differ from $golden"
fi
echo "valley hashes: 9 checks passed"
