#!/usr/bin/env bash
# CPU time the program takes while nothing changes: started under Xvfb with the built-in sample,
# left alone for 20 s.  Usage: bench/idle_cpu.sh [path/to/trakmoor.bin] [seconds]
set -euo pipefail
bin=${1:-build/release/trakmoor.bin}
seconds=${2:-20}
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$bin" >/dev/null 2>&1 &
pid=$!
sleep 4 # start-up and first frames are not idle
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
echo "idle CPU: $(echo "scale=2; ($after - $before) * 100 / $(getconf CLK_TCK) / $seconds" | bc)" \
     "% of one core over $seconds s"
kill -TERM "$pid"
wait "$pid"
