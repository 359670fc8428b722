#!/usr/bin/env bash
# Installs the tools only the tests use: assimp's command line (an independent reader of
# STL, OBJ, PLY and glTF), what the package check needs (dpkg-shlibdeps, the desktop entry
# and metainfo validators, the MIME database, man) and the Khronos glTF validator (npm), the
# latter into
# QN_TEST_TOOLS (default ~/.cache/qn-test-tools), where tests/scripts/test_mesh_readers.sh
# looks for it. Quick when everything is there.
set -euo pipefail
tools=${QN_TEST_TOOLS:-$HOME/.cache/qn-test-tools}
validator_version=2.0.0-dev.3.10

missing=()
for p in assimp-utils dpkg-dev file desktop-file-utils appstream shared-mime-info man-db; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-test-tools: installing ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$tools/node_modules/gltf-validator/package.json" ] ||
   ! grep -q "\"version\": \"$validator_version\"" "$tools/node_modules/gltf-validator/package.json"; then
  echo "install-test-tools: installing gltf-validator $validator_version into $tools"
  mkdir -p "$tools"
  npm install --silent --no-audit --no-fund --prefix "$tools" "gltf-validator@$validator_version"
fi
echo "install-test-tools: assimp and gltf-validator present"
