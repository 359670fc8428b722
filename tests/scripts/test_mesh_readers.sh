#!/usr/bin/env bash
# The mesh exports of qn-render open in independent readers: assimp reads the sample as
# STL, OBJ, PLY and glTF with the model's 131,072 faces (and, for the indexed PLY and glTF,
# its 66,049 grid points), the simplified and the solid STL too; the Khronos validator
# finds no error in the .glb files. Arguments: build folder, source folder. Skips (exit 0)
# when the tools are missing (scripts/install-test-tools.sh installs them).
set -euo pipefail
build=$1
source=$2
validator=${QN_TEST_TOOLS:-$HOME/.cache/qn-test-tools}/node_modules/gltf-validator
if ! command -v assimp >/dev/null || ! command -v node >/dev/null || [ ! -d "$validator" ]; then
  echo "SKIP: assimp or the glTF validator is missing (scripts/install-test-tools.sh)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
render=("$build/bin/qn-render" -q "$source/examples/sample.qnf")
"${render[@]}" --mesh "$work/t.stl" --mesh "$work/t.obj" --mesh "$work/t.ply" --mesh "$work/t.glb"
"${render[@]}" --mesh "$work/solid.stl" --solid
"${render[@]}" --mesh "$work/small.glb" --simplify 1

# assimp info -r: the file as read, without post-processing.
count() { assimp info "$1" -r | awk -v what="$2" '$1 == what":" { print $2 }'; }
status=0
expect() {
  if [ "$2" != "$3" ]; then echo "FAIL: $1: $2, expected $3"; status=1; else echo "ok: $1 = $2"; fi
}
for f in t.stl t.obj t.ply t.glb; do expect "$f faces" "$(count "$work/$f" Faces)" 131072; done
for f in t.ply t.glb; do expect "$f vertices" "$(count "$work/$f" Vertices)" 66049; done
solid_faces=$(count "$work/solid.stl" Faces)
[ "$solid_faces" -gt 262144 ] || { echo "FAIL: solid.stl has $solid_faces faces"; status=1; }
small_faces=$(count "$work/small.glb" Faces)
[ "$small_faces" -gt 0 ] && [ "$small_faces" -lt 131072 ] ||
  { echo "FAIL: small.glb has $small_faces faces"; status=1; }
for f in t.glb small.glb; do
  node "$source/tests/scripts/validate_gltf.js" "$validator" "$work/$f" || status=1
done
exit $status
