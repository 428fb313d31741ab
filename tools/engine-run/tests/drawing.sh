#!/usr/bin/env bash
# engine-run on the versus fixture match drawn never, every frame and every second frame: the
# device really draws (the frames reach the back buffer), and the hashes are the same in all
# three runs, because drawing never changes the simulation.
#   drawing.sh ENGINE_RUN ARCHIVE SETUP INPUT
set -euo pipefail
runner=$1 archive=$2 setup=$3 input=$4
fail() { echo "FAILED: $*" >&2; exit 1; }
run() { "$runner" --archive "$archive" --setup "$setup" --input "$input" --seed 7 --frames 90 --hash "$@"; }

never=$(run --draw 0)
[ "$(printf '%s\n' "$never" | grep -c '^frame [0-9]* hash [0-9a-f]\{16\}$')" = 90 ] ||
  fail "expected 90 hash lines, got: $(printf '%s\n' "$never" | head -3)"
[ "$(run --draw 1)" = "$never" ] || fail "drawing every frame changes the hashes"
[ "$(run --draw 2)" = "$never" ] || fail "drawing every second frame changes the hashes"
echo "engine-run drawing: 3 checks passed"
