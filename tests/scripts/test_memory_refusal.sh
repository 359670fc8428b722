#!/usr/bin/env bash
# A terrain whose model cannot fit in the memory qn-render may use is refused before any
# stage starts: "メモリ不足です。", exit 1, no picture written. The same limit lets the
# bundled sample render, so it is the model that is refused, not the program.
# The limit is a memory control group where one can be made (there Linux would let the
# allocation succeed and kill the process later, which the check must prevent), otherwise
# an address-space limit. Arguments: build folder, source folder. Skips (exit 0) when
# neither limit can be run under (the sanitizers reserve terabytes of address space).
# QN_RENDER names another qn-render to try the same.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
group=""
cleanup() {
  rm -rf "$work"
  [ -z "$group" ] || rmdir "$group" 2>/dev/null || true
}
trap cleanup EXIT

limit_mb=500  # the textures of 4097 x 4097 fit, their model (~0.9 GB) does not

# A child of our own memory control group (cgroup v2 or v1), when we may make one.
own=$(sed -n 's/^0:://p' /proc/self/cgroup)
if [ -n "$own" ] && [ -w "/sys/fs/cgroup$own" ] && [ -e "/sys/fs/cgroup$own/memory.max" ]; then
  group="/sys/fs/cgroup$own/qn-memory-test-$$"
  mkdir "$group" 2>/dev/null && echo "${limit_mb}M" >"$group/memory.max" || group=""
fi
if [ -z "$group" ]; then
  own=$(sed -n 's/^[0-9]*:\([a-z_,]*,\)\{0,1\}memory\(,[a-z_,]*\)\{0,1\}:\(.*\)$/\3/p' /proc/self/cgroup)
  if [ -n "$own" ] && [ -w "/sys/fs/cgroup/memory$own" ]; then
    group="/sys/fs/cgroup/memory$own/qn-memory-test-$$"
    mkdir "$group" 2>/dev/null && echo "${limit_mb}M" >"$group/memory.limit_in_bytes" || group=""
  fi
fi
render() {
  if [ -n "$group" ]; then
    (echo "$BASHPID" >"$group/cgroup.procs" && exec "${QN_RENDER:-$build/bin/qn-render}" "$@")
  else
    (ulimit -v $((limit_mb * 1024)) && exec "${QN_RENDER:-$build/bin/qn-render}" "$@")
  fi
}
echo "limit: ${group:-address space} ($limit_mb MB)"

if ! render "$source/examples/sample.qnf" -q -o "$work/sample.bmp" 2>"$work/sample.err"; then
  echo "SKIP: qn-render does not run under the limit:"
  head -3 "$work/sample.err"
  exit 0
fi

"$build/bin/make-sample" "$work" --size 4097
status=0
render --surface "$work/sample-surface.bmp" --bump "$work/sample-bump.bmp" -o "$work/big.bmp" \
  2>"$work/big.err" || status=$?
cat "$work/big.err"
[ "$status" = 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
grep -q "メモリ不足です。" "$work/big.err" || { echo "FAIL: no out-of-memory message"; exit 1; }
if grep -q "曲面分割" "$work/big.err"; then
  echo "FAIL: the subdivision started before the model was refused"
  exit 1
fi
[ ! -e "$work/big.bmp" ] || { echo "FAIL: a picture was written"; exit 1; }
echo "refused as it should be"
