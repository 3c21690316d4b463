#!/usr/bin/env bash
# Start-up of the program on the demo show, to its first shown window: runs the Release
# program several times on Qt's offscreen platform with KALVOR_SCREENSHOT (the window is
# saved once start-up has settled, then the program quits) and prints the median wall time,
# the same less the fixed 1.5 s the program waits before saving its picture, the dynamic
# loader's own start-up time and the number of shared libraries loaded at start.
#
#   bench/startup/run.sh [BUILD_DIR] [RUNS]     (default build/release, 7 runs)
#   KALVOR_BIN=/path/to/kalvor bench/startup/run.sh ...   to time another binary on the same show
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
runs=${2:-7}
bin=${KALVOR_BIN:-$build/src/app/kalvor}
tool=$build/src/cli/kalvor-tool
[ -x "$bin" ] && [ -x "$tool" ] || { echo "build kalvor and kalvor-tool in $build first"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" demo "$work/demo" >/dev/null
show="$work/demo/Demo Show.kal"

# A home, settings and runtime folder of its own: no stored settings, no instance lock of
# a running Kalvor in the way.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen KALVOR_SCREENSHOT=$work/shot.png
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$bin" "$show" >/dev/null 2>&1 # once to warm the page cache
times=()
for _ in $(seq "$runs"); do
  rm -f "$KALVOR_SCREENSHOT"
  start=$(date +%s%N)
  "$bin" "$show" >/dev/null 2>&1
  end=$(date +%s%N)
  [ -s "$KALVOR_SCREENSHOT" ] || { echo "the program saved no window"; exit 1; }
  times+=($(((end - start) / 1000000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
loader=$(LD_DEBUG=statistics "$bin" "$show" 2>&1 >/dev/null |
  awk '/total startup time in dynamic loader/ { for (i = 1; i <= NF; ++i) if ($i ~ /^[0-9.]+$/ && $(i + 1) ~ /s$/) { print $i " " $(i + 1); exit } }')
libs=$(ldd "$bin" | grep -c '=>')

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "binary: $bin"
echo "runs (ms): ${times[*]}"
echo "start-up to the saved window: median $median ms; less the fixed 1.5 s wait: $((median - 1500)) ms"
echo "dynamic loader at start: ${loader:-?}; shared libraries loaded at start: $libs"
