#!/usr/bin/env bash
# Mixes 32 stereo 44.1 kHz 16-bit WAV files of 60 s, each with its own volume and pan,
# through our engine's offline device, through `sox -m` and through ffmpeg's amix, on
# the same inputs in the same run, and prints each one's time, realtime factor and our
# speed ratio to each peer. Target: ours at least 12x faster than both.
#
#   bench/mix_vs_peers/run.sh [BUILD_DIR]      (default build/audiolib-rel, a Release build)
#
# Volumes and pans: channel i gets volume 100 - (i % 10) on the engine's 1 dB scale and
# pan (i * 37) % 201 - 100; the peers get the same gains as factors. sox -m has no
# per-input pan, so sox mixes with the volumes only (it does less work than the others).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/audiolib-rel}
tool=$build/bench/mix_vs_peers/bench_mix_offline
[ -x "$tool" ] || { echo "build $tool first (cmake -DCMAKE_BUILD_TYPE=Release -DKALVOR_BUILD_BENCH=ON)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=${KALVOR_BENCH_FILES:-32}
seconds=${KALVOR_BENCH_SECONDS:-60}

echo "generating $n stereo files of ${seconds} s..."
for i in $(seq 0 $((n - 1))); do
  sox -n -r 44100 -b 16 -c 2 "$work/in$i.wav" synth "$seconds" sine $((200 + 37 * i)) sine $((300 + 41 * i)) vol 0.5
done
inputs=()
for i in $(seq 0 $((n - 1))); do inputs+=("$work/in$i.wav"); done

# Gains as the engine computes them: volume v -> 10^((v-100)/20); pan p -> far side 10^(-|p|/20).
gains() { # i -> "volume left right"
  awk -v i="$1" 'BEGIN { v = 100 - i % 10; p = (i * 37) % 201 - 100; g = 10 ^ ((v - 100) / 20);
    a = p < 0 ? -p : p; far = (a >= 100) ? 0 : 10 ^ (-a / 20);
    l = (p > 0) ? far : 1; r = (p < 0) ? far : 1; printf "%.6f %.6f %.6f", g, l, r }'
}

sox_args=()
ff_inputs=()
ff_graph=""
ff_labels=""
for i in $(seq 0 $((n - 1))); do
  read -r g l r <<<"$(gains "$i")"
  sox_args+=(-v "$g" "$work/in$i.wav")
  ff_inputs+=(-i "$work/in$i.wav")
  ff_graph+="[$i:a]pan=stereo|c0=$(awk -v g="$g" -v l="$l" 'BEGIN{printf "%.6f", g*l}')*c0|c1=$(awk -v g="$g" -v r="$r" 'BEGIN{printf "%.6f", g*r}')*c1[a$i];"
  ff_labels+="[a$i]"
done
ff_graph+="${ff_labels}amix=inputs=$n:normalize=0[out]"

run() { # name command... -> "wall cpu" seconds (cpu = user + system of the process tree)
  local name=$1; shift
  /usr/bin/time -f "%e %U %S" -o "$work/$name.time" "$@" >"$work/$name.log" 2>&1 ||
    { echo "$name failed:" >&2; cat "$work/$name.log" >&2; exit 1; }
  awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$work/$name.time"
}

cat "${inputs[@]}" >/dev/null # the same warm cache for everyone
read -r w_ours c_ours <<<"$(run ours "$tool" "$work/ours.wav" "${inputs[@]}")"
read -r w_sox c_sox <<<"$(run sox sox -m "${sox_args[@]}" "$work/sox.wav")"
read -r w_ff c_ff <<<"$(run ffmpeg ffmpeg -nostdin -y -loglevel error "${ff_inputs[@]}" -filter_complex "$ff_graph" -map "[out]" -c:a pcm_s16le "$work/ffmpeg.wav")"

grep engine: "$work/ours.log" || true
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (wall times suffer when others run)"
printf "%-8s %8s %8s %10s\n" "mixer" "wall/s" "cpu/s" "realtime"
for row in "ours $w_ours $c_ours" "sox $w_sox $c_sox" "ffmpeg $w_ff $c_ff"; do
  set -- $row
  printf "%-8s %8.3f %8.3f %9.1fx\n" "$1" "$2" "$3" "$(awk -v t="$2" -v s="$seconds" 'BEGIN { print s / t }')"
done
awk -v o="$w_ours" -v s="$w_sox" -v f="$w_ff" -v oc="$c_ours" -v sc="$c_sox" -v fc="$c_ff" 'BEGIN {
  printf "ours vs sox:    %.1fx faster wall, %.1fx less cpu (target >= 12x)\n", s / o, sc / oc;
  printf "ours vs ffmpeg: %.1fx faster wall, %.1fx less cpu (target >= 12x)\n", f / o, fc / oc }'
