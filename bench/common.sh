# Sourced by the bench scripts: works from the source folder with BUILD (the script's first
# argument, default build) and its qn-render, in a temporary folder removed on exit;
# make_terrain SIZE [ARGS...] writes the seeded sample terrain of SIZE x SIZE there.
cd "$(dirname "${BASH_SOURCE[1]}")/.."
build=${1:-build}
render=${QN_RENDER:-$build/bin/qn-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_terrain() { "$build/bin/make-sample" "$work" --size "$1" --seed 7 "${@:2}"; }
