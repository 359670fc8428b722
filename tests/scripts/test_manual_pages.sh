#!/usr/bin/env bash
# The manual pages cannot drift from the programs: qn-render(1) describes exactly the
# options `qn-render --help` lists, both pages carry the version `qn-render --version`
# prints, and man formats them without warnings. Arguments: build folder, source folder.
set -euo pipefail
build=$1
source=$2
status=0

help_options=$("$build/bin/qn-render" --help | grep -oE '^ +(-[a-z],)?--[a-z-]+' |
  grep -oE -- '--[a-z-]+' | sort -u)
# Every option's paragraph in the page starts with a .TP line followed by .B/.BR --name.
page_options=$(awk 'previous == ".TP" { print } { previous = $0 }' "$source/man/qn-render.1" |
  grep -oE '\\-\\-[a-z-]+' | sed 's/\\//g' | sort -u)
if [ "$help_options" != "$page_options" ]; then
  echo "FAIL: --help and qn-render.1 list different options:"
  diff <(echo "$help_options") <(echo "$page_options") || true
  status=1
fi

version=$("$build/bin/qn-render" --version | grep -oE '[0-9]+\.[0-9]+')
for page in qn-render.1 qn.1; do
  grep -q "^\.TH .* \"QN $version\"" "$source/man/$page" ||
    { echo "FAIL: $page is not for QN $version"; status=1; }
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l --warnings -E UTF-8 "$source/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "FAIL: $page: $warnings"; status=1; }
  fi
done
[ $status -eq 0 ] && echo "the manual pages agree with qn-render $version"
exit $status
