#!/usr/bin/env bash
# Mesh exports as users run them: a new qn-render process per file, for a seeded terrain
# of SIZE x SIZE (default 1025) to DXF, STL, OBJ, PLY and glTF, and to a simplified glTF.
# Prints wall time, file size, MB/s and faces/s per format (the median of three runs; the
# time includes reading the textures and building the mesh, the same for every format).
#   bench/mesh.sh [BUILD] [SIZE]
set -euo pipefail
source "$(dirname "$0")/common.sh"
size=${2:-1025}
make_terrain "$size" >/dev/null
input=(--surface "$work/sample-surface.bmp" --bump "$work/sample-bump.bmp" -q)
faces=$((2 * (size - 1) * (size - 1)))

median_wall() {
  local runs=()
  for run in 1 2 3; do
    /usr/bin/time -f '%e' -o "$work/time" "$render" "${input[@]}" "$@"
    runs+=("$(cat "$work/time")")
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p
}

printf '%-14s %8s %10s %8s %12s\n' format wall_s size_MB MB_per_s faces_per_s
for target in out.dxf out.stl out.obj out.ply out.glb simplified.glb; do
  case $target in
    out.dxf) option=(--dxf "$work/$target") ;;
    simplified.glb) option=(--mesh "$work/$target" --simplify 0.5) ;;
    *) option=(--mesh "$work/$target") ;;
  esac
  wall=$(median_wall "${option[@]}")
  bytes=$(stat -c %s "$work/$target")
  [ "$target" = out.obj ] && bytes=$((bytes + $(stat -c %s "$work"/out.png 2>/dev/null || echo 0)))
  awk -v t="$target" -v w="$wall" -v b="$bytes" -v f="$faces" 'BEGIN {
    printf "%-14s %8.2f %10.1f %8.1f %12.0f\n", t, w, b / 1e6, b / 1e6 / w, f / w }'
  rm -f "$work"/out.* "$work"/simplified.*
done
