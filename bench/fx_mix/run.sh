#!/usr/bin/env bash
# A show with every effect on, through the engine, against sox, in one run:
#   32 stereo 44.1 kHz sounds of 60 s, each on its own stream of the offline device with a
#   channel's full chain (three EQ bands, reverb, echo, chorus, flanger), mixed to one
#   stereo file; beside it `sox -m` with its equalizer (x3), reverb, echo, chorus and
#   flanger on every input.
# Prints each one's CPU time (user + system, whole process tree: reading, effects, mix,
# writing), the realtime factor on one core, and our share of sox's CPU time.
# Target: at most half of sox's CPU time.
#
#   bench/fx_mix/run.sh [BUILD_DIR]      (default build/fx-rel, a Release build)
#   KALVOR_BENCH_FILES=8 KALVOR_BENCH_SECONDS=10 bench/fx_mix/run.sh   (a quick look)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/fx-rel}
tool=$build/bench/fx_mix/kalvor_fx_mix_bench
[ -x "$tool" ] || { echo "build $tool first (cmake -DCMAKE_BUILD_TYPE=Release, ninja kalvor_fx_mix_bench)" >&2; exit 1; }
command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }
n=${KALVOR_BENCH_FILES:-32}
seconds=${KALVOR_BENCH_SECONDS:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/kalvor-fx-mix.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A different mix of noise and tones on each input, so no two are alike.
echo "generating $n stereo inputs of $seconds s..."
inputs=()
for ((i = 1; i <= n; i++)); do
  sox -q -n -r 44100 -c 2 -b 16 "$work/in$i.wav" synth "$seconds" pinknoise sine $((100 + 37 * i)) \
    remix 1,2 1,2 vol 0.4
  inputs+=("$work/in$i.wav")
done

# The engine's settings (FxMix.cpp) as far as sox's effects have them:
#   EQ 125 Hz +4 dB, 1 kHz -3 dB, 8 kHz +5 dB, one octave each; reverb 1.5 s below the
#   direct sound; echo 250 ms, 40 % feedback; chorus 25 ms (sox's shortest) at 1.1 Hz;
#   flanger 2 ms at 0.25 Hz.
sox_effects="equalizer 125 1o 4 equalizer 1000 1o -3 equalizer 8000 1o 5 \
reverb 50 50 100 100 0 -6 echo 0.8 0.6 250 0.4 chorus 0.7 0.9 25 0.5 1.1 2 -s \
flanger 2 2 -50 71 0.25 sine 0 lin"
sox_args=()
for f in "${inputs[@]}"; do
  sox_args+=("|sox -q $f -p $sox_effects")
done

run() { # name command... -> CPU seconds of the process tree
  local name=$1; shift
  /usr/bin/time -f "%U %S" -o "$work/$name.time" "$@" >"$work/$name.log" 2>&1 ||
    { echo "$name failed:" >&2; cat "$work/$name.log" >&2; exit 1; }
  awk '{ printf "%.2f", $1 + $2 }' "$work/$name.time"
}

cat "${inputs[@]}" >/dev/null # the same warm cache for both
ours=$(run ours "$tool" "$work/ours.wav" "${inputs[@]}")
theirs=$(run sox sox -q -m "${sox_args[@]}" "$work/sox.wav")

grep kalvor: "$work/ours.log" || true
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "CPU time, whole process ($n inputs x $seconds s, 7 effects each):"
awk -v a="$ours" -v b="$theirs" -v s="$seconds" 'BEGIN {
  printf "  kalvor: %6.2f s  realtime factor %.1fx on one core\n", a, s / a
  printf "  sox:    %6.2f s  realtime factor %.1fx on one core\n", b, s / b
  printf "  kalvor / sox: %.2f (target <= 0.50)\n", a / b }'
