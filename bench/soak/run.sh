#!/usr/bin/env bash
# Soak run: a JACK server of its own on the dummy driver (48 kHz, 256 frames) under the name
# kalvor-soak, real-time (-R) when this user may use real-time scheduling, else without
# (the run says which); then bench_soak plays 32 looping 44.1 kHz channels on it for
# SECONDS and counts xruns. The shared server of the machine is never touched.
#
#   bench/soak/run.sh [BUILD_DIR] [SECONDS] [CONVERTER|-] [CHANNELS]
#   (default build/release, 180 s, the engine's converter, 32 channels; 0 channels gives
#   the machine's own xruns as the baseline to compare with)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
seconds=${2:-180}
converter=${3:--}
channels=${4:-32}
bin=$build/bench/soak/bench_soak
[ -x "$bin" ] || { echo "build bench_soak in $build first (-DKALVOR_BUILD_BENCH=ON)"; exit 1; }
command -v jackd >/dev/null || { echo "jackd is not installed"; exit 1; }

export JACK_DEFAULT_SERVER=kalvor-soak JACK_NO_START_SERVER=1
rt=--no-realtime
if [ "$(ulimit -r)" = unlimited ] || [ "$(ulimit -r)" -gt 0 ]; then
  rt=-R
fi
echo "jackd $rt (real-time priority limit of this user: $(ulimit -r))"
jackd $rt -n kalvor-soak -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
jack=$!
trap 'kill $jack 2>/dev/null; wait $jack 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  jack_lsp >/dev/null 2>&1 && break
  sleep 0.1
done
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=offscreen "$bin" "$seconds" "$converter" "$channels"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
