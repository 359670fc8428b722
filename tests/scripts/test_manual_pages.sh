#!/usr/bin/env bash
# The manual pages cannot drift from the programs: qn-render(1) describes exactly the
# options `qn-render --help` lists, both pages carry the version `qn-render --version`
# prints, and man formats them without warnings. The help page's own links lead to files
# shipped beside it or to its anchors, and its copy beside the program is the source's.
# Arguments: build folder, source folder.
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
help=$source/resources/help
links=$(grep -oE '(href|src)="[^"#:]*(#[^"]*)?"' "$help/help.htm" | sed -E 's/^(href|src)="//; s/"$//')
for link in $links; do
  file=${link%%#*} anchor=${link#*#}
  if [ -n "$file" ]; then
    [ -e "$help/$file" ] || { echo "FAIL: help.htm links to a missing $file"; status=1; }
  else
    grep -q "id=\"$anchor\"" "$help/help.htm" || { echo "FAIL: help.htm: no #$anchor"; status=1; }
  fi
done
[ "$(echo "$links" | wc -w)" -gt 10 ] || { echo "FAIL: help.htm has too few links"; status=1; }
grep -q 'charset="utf-8"' "$help/help.htm" || { echo "FAIL: help.htm is not UTF-8"; status=1; }
for file in help.htm help.css; do
  cmp -s "$help/$file" "$build/bin/help/$file" || { echo "FAIL: bin/help/$file is stale"; status=1; }
done
[ $status -eq 0 ] && echo "the manual pages agree with qn-render $version; the help page's links resolve"
exit $status
