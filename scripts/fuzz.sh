#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each of them.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS per target (default 30; 0 = until stopped or a finding). TARGETs default to all:
# fuzz_bmp fuzz_qnf fuzz_set fuzz_numbers fuzz_texture. Environment:
#   QN_FUZZ_BUILD  build folder (default build-fuzz)
#   QN_FUZZ_FLAGS  more libFuzzer flags, e.g. "-runs=10000000" or "-jobs=1 -workers=1"
# New inputs go to BUILD/fuzz-corpus/TARGET (the committed seeds in fuzz/corpus/TARGET are
# only read); a crashing input is saved as BUILD/fuzz-artifacts/TARGET/crash-* and the
# script exits non-zero. Turn every finding into a test in tests/hardening/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_bmp fuzz_qnf fuzz_set fuzz_numbers fuzz_texture)
build=${QN_FUZZ_BUILD:-build-fuzz}

if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQN_FUZZ=ON \
    -DQN_BUILD_GUI=OFF -DQN_BUILD_TESTS=OFF -DQN_BUILD_BENCH=OFF
fi
cmake --build "$build" --target "${targets[@]}" -j2

# Longest input worth trying per target (the BMP seeds set their own).
declare -A max_len=([fuzz_qnf]=4200 [fuzz_set]=512 [fuzz_numbers]=64 [fuzz_texture]=8192)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  flags=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1
         -artifact_prefix="$artifacts/")
  [ -n "${max_len[$target]:-}" ] && flags+=(-max_len="${max_len[$target]}")
  dict="fuzz/${target#fuzz_}.dict"
  [ -f "$dict" ] && flags+=(-dict="$dict")
  echo "== $target for ${seconds}s" >&2
  # shellcheck disable=SC2086
  if ! "$build/bin/$target" "${flags[@]}" ${QN_FUZZ_FLAGS:-} "$corpus" "fuzz/corpus/$target"; then
    echo "== $target: FINDING, see $artifacts" >&2
    status=1
  fi
done
exit $status
