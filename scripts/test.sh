#!/usr/bin/env bash
# Installs what is needed and checks everything CI checks, in this order:
#   1. formatting against the committed .clang-format;
#   2. a Release build of everything (warnings are errors) and its tests, then its Debian
#      package built, installed, checked from the installed files and removed;
#   3. the core and qn-render alone, without Qt (QN_BUILD_GUI=OFF);
#   4. the test build (Debug, AddressSanitizer and UndefinedBehaviorSanitizer), the
#      libFuzzer targets built with clang and run QN_FUZZ_SECONDS each (default 30; 0
#      skips), then every test under the sanitizers.
# QN_TEST_RELEASE=0 skips steps 2 and 3 for a quicker run while working.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/install-test-tools.sh
bash scripts/check-format.sh

if [ "${QN_TEST_RELEASE:-1}" != 0 ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build build
  ctest --test-dir build --output-on-failure -j2
  bash scripts/check-package.sh build

  core=build-core
  cmake -S . -B "$core" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQN_BUILD_GUI=OFF \
    -DQN_BUILD_TESTS=OFF -DQN_BUILD_BENCH=OFF
  cmake --build "$core"
  "$core/bin/qn-render" examples/sample.qnf -q -o "$core/sample.bmp"
fi

build=${QN_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQN_SANITIZE=ON
cmake --build "$build"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# A short fuzzing run per reader, so that a regression in a decoder shows up here too.
fuzz_seconds=${QN_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" != 0 ]; then
  QN_FUZZ_BUILD=${QN_TEST_FUZZ_BUILD:-build-test-fuzz} bash scripts/fuzz.sh "$fuzz_seconds"
fi

ctest --test-dir "$build" --output-on-failure -j2
