#!/usr/bin/env bash
# Installs what is needed, builds QN (Release) and renders the bundled sample terrain.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
out="$PWD/build/sample.bmp"
./build/bin/qn-render examples/sample.qnf -o "$out"
echo "The sample terrain was rendered to $out"
