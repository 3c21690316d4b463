#!/usr/bin/env bash
# The real-time soak. First bench_soak --self-check (the click analysis must find every
# deliberate cut in an offline render, and nothing in the clean one). Then a JACK server
# of its own, kalvor-soak: dummy driver, 48 kHz, 128-frame periods, real-time (-R -P 70),
# pinned to core 0 with the soak program (whose JACK threads the server makes real-time);
# a CPU hog busy on core 1; and bench_soak playing the soak show with its script for
# SECONDS. The shared server of the machine is never touched.
#
#   bench/soak/run.sh [BUILD_DIR] [SECONDS] [CHANNELS] [--keep DIR]
#   (default build/release, 600 s, 32 channels; 0 channels is the idle baseline: what the
#   server and the machine do with the engine idle, in the same conditions; "alone" runs
#   the server and the recorder without the program: the machine's own xruns)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
seconds=${2:-600}
channels=${3:-32}
shift $(( $# < 3 ? $# : 3 ))
bin=$build/bench/soak/bench_soak
[ -x "$bin" ] || { echo "build bench_soak in $build first (-DKALVOR_BUILD_BENCH=ON)"; exit 1; }
command -v jackd >/dev/null || { echo "jackd is not installed"; exit 1; }
export QT_QPA_PLATFORM=offscreen
# The show's sounds and the recording (230 MB in 10 minutes) in memory, where the machine
# has a tmpfs: written to a disk, the kernel's writeback of the recording runs beside the
# server, and what it costs would count as the program's.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

"$bin" --self-check || { echo "the click analysis failed its self-check: no soak"; exit 1; }

export JACK_DEFAULT_SERVER=kalvor-soak JACK_NO_START_SERVER=1
# SOAK_JACK_CORE picks the server's core (default 0); the hog takes another one.
jack_core=${SOAK_JACK_CORE:-0}
hog_core=$(( jack_core == 0 ? 1 : 0 ))
[ "$(nproc)" -ge 2 ] || { jack_core=0; hog_core=0; }
taskset -c $jack_core jackd -R -P 70 -n kalvor-soak -d dummy -r 48000 -p 128 >/dev/null 2>&1 &
jack=$!
hog=
cleanup() {
  [ -n "$hog" ] && kill "$hog" 2>/dev/null
  kill "$jack" 2>/dev/null
  wait "$jack" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
  jack_lsp >/dev/null 2>&1 && break
  sleep 0.1
done
echo "jackd -R -P 70 -d dummy -r 48000 -p 128, pinned to core $jack_core; its threads:"
for t in /proc/$jack/task/*; do
  printf '  %-16s %s\n' "$(cat "$t/comm")" "$(chrt -p "${t##*/}" | sed -n 's/.*policy: *//p;s/.*priority: */priority /p' | paste -sd' ')"
done
# The hog: a shell that never waits, on the other core.
taskset -c $hog_core sh -c 'while :; do :; done' &
hog=$!
echo "CPU hog (busy shell loop) on core $hog_core, pid $hog"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
rc=0
if [ "$channels" = alone ]; then
  taskset -c $jack_core "$bin" --server-alone "$seconds" || rc=$?
else
  taskset -c $jack_core "$bin" "$seconds" "$channels" "$@" || rc=$?
fi
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $rc
