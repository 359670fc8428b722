#!/usr/bin/env bash
# Camera flights: an orbit of FRAMES frames (default 24) at 1280 x 720, written as PNG, of
# the bundled sample and of a seeded 1025 x 1025 terrain, in one qn-render process; and
# the same pictures by separate qn-render runs (the first three frames), for the speed-up
# per frame. Prints frames per second and the ratio.
#   bench/frames.sh [BUILD] [FRAMES]
set -euo pipefail
source "$(dirname "$0")/common.sh"
frames=${2:-24}
make_terrain 1025

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
calc() { awk "BEGIN { print $1 }"; }
printf '%-8s %8s %10s %12s %14s %9s\n' terrain frames orbit_s frames_per_s single_run_s speed-up
for terrain in sample 1025; do
  if [ "$terrain" = sample ]; then
    input=(examples/sample.qnf)
    camera=()
  else
    input=(--surface "$work/sample-surface.bmp" --bump "$work/sample-bump.bmp")
    camera=(--set distance=1400 --set viewpoint=1400,1640,680 --set lookAt=540,540,112
            --set emphasisRate=1.4)
  fi
  common=("${input[@]}" --set screenWidth=1280 --set screenHeight=720 "${camera[@]}" -q)
  mkdir -p "$work/$terrain"
  orbit=$(seconds "$render" "${common[@]}" --orbit "$frames" -o "$work/$terrain/f%04d.png")
  single=0
  for k in 1 2 3; do
    t=$(seconds "$render" "${common[@]}" -o "$work/$terrain/single.png")
    single=$(calc "$single + $t")
  done
  single=$(calc "$single / 3")
  printf '%-8s %8s %10.2f %12.1f %14.3f %9.1f\n' "$terrain" "$frames" "$orbit" \
    "$(calc "$frames / $orbit")" "$single" "$(calc "$single * $frames / $orbit")"
done
