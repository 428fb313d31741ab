#!/usr/bin/env bash
# engine-run on the versus fixture match: with --seed 7 --frames 300 --hash the output is the
# same on every run, with address-space randomisation off (setarch -R) and with MALLOC_PERTURB_;
# another seed or a scripted pad gives other hashes.
#   determinism.sh ENGINE_RUN ARCHIVE SETUP INPUT
set -euo pipefail
runner=$1 archive=$2 setup=$3 input=$4
fail() { echo "FAILED: $*" >&2; exit 1; }
run() { "$@" --archive "$archive" --setup "$setup" --frames 300 --hash; }

first=$(run "$runner" --seed 7)
[ "$(printf '%s\n' "$first" | grep -c '^frame [0-9]* hash [0-9a-f]\{16\}$')" = 300 ] ||
  fail "expected 300 lines 'frame N hash H', got: $(printf '%s\n' "$first" | head -3)"
[ "$(printf '%s\n' "$first" | sed -n '300s/ hash.*//p')" = "frame 299" ] || fail "frames not numbered 0..299"
[ "$(printf '%s\n' "$first" | sort -u -k4 | wc -l)" -gt 250 ] || fail "the hash barely changes"
[ "$(run "$runner" --seed 7)" = "$first" ] || fail "a second run differs"
[ "$(run setarch "$(uname -m)" -R "$runner" --seed 7)" = "$first" ] || fail "differs with ASLR off"
[ "$(MALLOC_PERTURB_=165 run "$runner" --seed 7)" = "$first" ] || fail "differs with MALLOC_PERTURB_"
[ "$(run "$runner" --seed 8)" != "$first" ] || fail "another seed gives the same hashes"
padded=$(run "$runner" --seed 7 --input "$input")
[ "$padded" != "$first" ] || fail "the scripted pad changes nothing"
[ "$(run "$runner" --seed 7 --input "$input")" = "$padded" ] || fail "a padded run differs"
# The pad starts at frame 30: the frames before it are those of the run without it.
[ "$(printf '%s\n' "$padded" | head -30)" = "$(printf '%s\n' "$first" | head -30)" ] ||
  fail "the pad changed frames before it was pressed"
echo "engine-run determinism: 7 checks passed"
