#!/bin/bash
# The FX chain on a full show, ours against sox, in one run:
#   32 stereo 44.1 kHz sounds of 60 s, every one through three EQ bands, reverb, echo,
#   chorus and flanger, mixed to one stereo file.
# Prints both CPU times (user + system, whole process including reading and writing the
# files) and our share of sox's. Target: at most half of sox's CPU time.
#
#   bench/fx_chain/run_fx_chain_bench.sh [path/to/kalvor_fx_chain_bench] [channels] [seconds]
#
# Build the benchmark in Release first, e.g.
#   cmake -S . -B build/dsp-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVOR_BUILD_TESTS=OFF
#   ninja -C build/dsp-rel kalvor_fx_chain_bench
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bench=${1:-$here/../../build/dsp-rel/bench/fx_chain/kalvor_fx_chain_bench}
channels=${2:-32}
seconds=${3:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/kalvor-fx-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

command -v sox > /dev/null || { echo "sox is needed" >&2; exit 1; }
[ -x "$bench" ] || { echo "benchmark binary not found: $bench" >&2; exit 1; }

# Inputs: a different mix of noise and tones on each channel, so no two are alike.
echo "generating $channels inputs of $seconds s ..."
inputs=()
for ((i = 1; i <= channels; i++)); do
    f="$work/in$i.wav"
    sox -q -n -r 44100 -c 2 -b 16 "$f" synth "$seconds" pinknoise sine $((100 + 37 * i)) \
        remix 1,2 1,2 vol 0.4
    inputs+=("$f")
done

# The same settings on both sides, as far as sox's effects have them:
#   EQ 125 Hz +4 dB, 1 kHz -3 dB, 8 kHz +5 dB, one octave wide each
#   reverb 1.5 s, wet below dry; echo 250 ms, 40 % feedback; chorus 16 ms (sox: 25 ms, its shortest) at 1.1 Hz;
#   flanger 2 ms at 0.25 Hz
sox_effects="equalizer 125 1o 4 equalizer 1000 1o -3 equalizer 8000 1o 5 \
reverb 50 50 100 100 0 -6 echo 0.8 0.6 250 0.4 chorus 0.7 0.9 25 0.5 1.1 2 -s \
flanger 2 2 -50 71 0.25 sine 0 lin"


echo "running ours ..."
/usr/bin/time -f "%U %S" -o "$work/ours.time" "$bench" --out "$work/ours.wav" "${inputs[@]}" \
    | tee "$work/ours.txt"
ours=$(awk '{printf "%.2f", $1 + $2}' "$work/ours.time")

echo "running sox -m with the effects on every input ..."
sox_args=()
for f in "${inputs[@]}"; do
    sox_args+=("|sox -q $f -p $sox_effects")
done
/usr/bin/time -f "%U %S" -o "$work/sox.time" sox -q -m "${sox_args[@]}" "$work/sox.wav"
sox=$(awk '{printf "%.2f", $1 + $2}' "$work/sox.time")

echo
echo "CPU time, whole process (read, effects, mix, write):"
echo "  kalvor: $ours s"
echo "  sox:    $sox s"
awk -v a="$ours" -v b="$sox" -v s="$seconds" 'BEGIN {
    printf "  kalvor / sox: %.2f (target <= 0.50)\n", a / b
    printf "  realtime factor on one core: kalvor %.1fx, sox %.1fx\n", s / a, s / b
}'
