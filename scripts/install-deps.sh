#!/usr/bin/env bash
# Installs every Debian package QN needs to build, test and run. Quick when they are
# all present already; needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libxcb-xkb-dev
  libpng-dev libgdal-dev libmeshoptimizer-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  fonts-ipafont-gothic xvfb xauth
  clang clang-format libclang-rt-14-dev
  python3 python3-ezdxf
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
