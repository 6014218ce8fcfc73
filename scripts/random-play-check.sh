#!/usr/bin/env bash
# Random play must not pass for skill: a line of fifty filter variants (ten window lengths, five values) staking
# at random (RAND) is tested over the last OFFSETS draws of the synthetic sample archive, once per seed, each run
# in a fresh data directory; the script counts the runs in which some entry still came out «лучше случайной игры»
# after the correction. Holm's method promises that at most about one run in twenty does.
#   scripts/random-play-check.sh [SEEDS=20] [OFFSETS=200] [ZORB_CLI=build/cli/zorb-cli]
# NUMBERS (default 14 numbers) is the starting list's "my numbers"; NUMBERS=full starts from all combinations.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seeds=${1:-20}
offsets=${2:-200}
cli=${3:-$root/build/cli/zorb-cli}
numbers=${NUMBERS:-1;5;9;13;17;21;25;29;33;37;41;45;49;52}
line='FULL:0#RAND|BMF6#SUMS:100-1000;100#LMV:1-5;1#ST:3| | | | | | |RAND-50'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
green=0
for seed in $(seq 1 "$seeds"); do
    dir="$work/$seed"
    mkdir -p "$dir"
    cp "$root/sample/Zorb_6x52.synthetic.ldr" "$dir/Zorb_6x52.ldr"
    if [ "$numbers" = full ]; then
        printf '[GLOBAL]\nCombsGenerateMode=0\n' >"$dir/Zorb_6x52.ini"
    else
        printf '[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=%s\n' "$numbers" >"$dir/Zorb_6x52.ini"
    fi
    printf '%s\r\n' "$line" >"$dir/check.lsc"
    out=$("$cli" --dir "$dir" scenario test "$dir/check.lsc" --count "$offsets" --seed "$seed" --csv)
    better=$(grep -c ';лучше случайной игры$' <<<"$out" || true)
    entries=$(grep -c '^01\.0' <<<"$out" || true)
    echo "seed $seed: entries $entries, better than random play after the correction: $better"
    [ "$better" -gt 0 ] && green=$((green + 1))
done
echo "runs with an entry better than random play: $green of $seeds (clean: $((seeds - green)))"
