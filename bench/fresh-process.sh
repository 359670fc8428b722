#!/usr/bin/env bash
# The main job as users run it: a new qn-render process per picture. Generates seeded
# fractal terrains of each size in a temporary folder (make-sample), renders each from an
# oblique camera at 1920 x 1080 three times, and prints the median wall, user and system
# time and peak memory per size, with the stage times of the median run.
#   bench/fresh-process.sh [BUILD] [SIZE...]     (default: build, 1025 4097 8193)
# Sizes are 2^k + 1. Set QN_RENDER to time another qn-render on the same terrains.
set -euo pipefail
source "$(dirname "$0")/common.sh"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1025 4097 8193)

printf '%-6s %12s %8s %8s %8s %10s   %s\n' size triangles wall_s user_s sys_s peak_MB \
  "stages (s): subdivide average transform sort light"
for size in "${sizes[@]}"; do
  make_terrain "$size"
  # The bundled sample's camera, scaled to the terrain; heights scaled alike.
  scale=$(( (size - 1) / 256 ))
  args=(--surface "$work/sample-surface.bmp" --bump "$work/sample-bump.bmp"
        --set screenWidth=1920 --set screenHeight=1080 --set distance=2100
        --set viewpoint=$((350 * scale)),$((410 * scale)),$((170 * scale))
        --set lookAt=$((135 * scale)),$((135 * scale)),$((28 * scale))
        --set emphasisRate=$(awk "BEGIN { print 0.35 * $scale }") -o "$work/out.bmp")
  runs=()
  for run in 1 2 3; do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$render" "${args[@]}" 2>"$work/stderr"
    stages=$(grep -o '[0-9.]* s$' "$work/stderr" | tr -d ' s' | tr '\n' ' ')
    runs+=("$(cat "$work/time") $stages")
  done
  median=$(printf '%s\n' "${runs[@]}" | sort -n -k1 | sed -n 2p)
  read -r wall user sys peak_kib stage_times <<<"$median"
  printf '%-6s %12s %8s %8s %8s %10s   %s\n' "$size" $((2 * (size - 1) * (size - 1))) \
    "$wall" "$user" "$sys" $((peak_kib / 1024)) "$stage_times"
  rm -f "$work"/*.bmp
done
