#!/usr/bin/env bash
# make-sample writes exactly the committed sample textures, so the bundled sample can
# always be regenerated from its source. Arguments: build folder, source folder.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make-sample" "$work"
for name in sample-bump.bmp sample-surface.bmp sample-bump16.png; do
  cmp "$work/$name" "$source/examples/$name"
done
echo "make-sample reproduces the committed textures"
