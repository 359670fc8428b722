#!/usr/bin/env bash
# Installs what is needed, builds the test build (Debug, AddressSanitizer and
# UndefinedBehaviorSanitizer), builds the libFuzzer targets with clang in a folder of their
# own and runs each for QN_FUZZ_SECONDS (default 30; 0 skips), then runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
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
