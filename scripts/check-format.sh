#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what the committed .clang-format makes of it.
# Only files git tracks (or would add) count: nothing in build folders or the system.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
clang-format --dry-run --Werror "${files[@]}"
echo "check-format: ${#files[@]} files formatted as .clang-format says"
