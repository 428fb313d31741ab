#!/usr/bin/env bash
# The versus fixture match played by engine-run with --seed 7: it ends by itself after 600
# frames; its per-frame hashes equal the golden file (ENGINES_WRITE_GOLDEN=1 writes it anew, on
# purpose only) and do not change with address-space randomisation off (setarch -R) or with
# MALLOC_PERTURB_; a run that records a replay has the same hashes, and that replay played back
# under another seed gives the same hash in every frame.
#   hashes.sh ENGINE_RUN ARCHIVE SETUP GOLDEN
set -euo pipefail
runner=$1 archive=$2 setup=$3 golden=$4
fail() { echo "FAILED: $*" >&2; exit 1; }
# The engine lower-cases replay names, so the scratch folder's path has no capitals.
scratch=/tmp/rond-match-$$-$RANDOM
mkdir "$scratch"
trap 'rm -rf "$scratch"' EXIT
# More frames than the match lasts: the run ends when the system script asks.
run() { "$@" --archive "$archive" --frames 900 --hash; }

plain=$(run "$runner" --setup "$setup" --seed 7)
[ "$(printf '%s\n' "$plain" | grep -c '^frame [0-9]* hash [0-9a-f]\{16\}$')" = 600 ] ||
  fail "expected 600 hash lines, got $(printf '%s\n' "$plain" | wc -l): $(printf '%s\n' "$plain" | tail -2)"
[ "$(printf '%s\n' "$plain" | sort -u -k4 | wc -l)" -gt 550 ] || fail "the hash barely changes"
if [ "${ENGINES_WRITE_GOLDEN:-}" = 1 ]; then
  printf '%s\n' "$plain" > "$golden"
  echo "wrote $golden"
fi
[ -f "$golden" ] || fail "no golden file $golden (ENGINES_WRITE_GOLDEN=1 writes it)"
if [ "$plain" != "$(cat "$golden")" ]; then
  diff <(printf '%s\n' "$plain") "$golden" | head -5 >&2
  fail "the hashes differ from the golden file"
fi
[ "$(run setarch "$(uname -m)" -R "$runner" --setup "$setup" --seed 7)" = "$plain" ] ||
  fail "differs with ASLR off"
[ "$(MALLOC_PERTURB_=165 run "$runner" --setup "$setup" --seed 7)" = "$plain" ] ||
  fail "differs with MALLOC_PERTURB_"

# Recording changes nothing; the playback, seeded from the file, repeats every frame.
replay="$scratch/match.rep"
{ cat "$setup"; echo "inputHistorySave = $replay"; } > "$scratch/record.setup"
{ cat "$setup"; echo "inputHistoryReplay = $replay"; } > "$scratch/replay.setup"
[ "$(run "$runner" --setup "$scratch/record.setup" --seed 7)" = "$plain" ] ||
  fail "recording changes the match"
[ "$(stat -c %s "$replay")" -gt 8 ] || fail "the replay holds no streams"
played=$(run "$runner" --setup "$scratch/replay.setup" --seed 99)
if [ "$played" != "$plain" ]; then
  diff <(printf '%s\n' "$played") <(printf '%s\n' "$plain") | head -5 >&2
  fail "the playback differs from the recorded match"
fi
echo "versus fixture match: 600 frames, golden, ASLR, MALLOC_PERTURB_, record and playback agree"
