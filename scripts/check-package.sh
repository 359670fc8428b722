#!/usr/bin/env bash
# Builds the Debian package from a Release build folder, installs it on this machine, checks
# the installed program from there, and removes it again leaving no file behind.
#   scripts/check-package.sh [BUILD]      (default: build; needs root or sudo)
# Checks: qn-render --version and a rendering of the bundled sample (also from a 16-bit
# PNG, through the installed GDAL module) with the installed binary; the help page in the
# data folder; the desktop entry and metainfo validate; the MIME database knows *.qnf and
# its magic; man finds both pages; after purging, none of the package's files remain.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && rm -f qn_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/qn_*_*.deb)
echo "check-package: $(basename "$deb")"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" >/dev/null
mapfile -t files < <(dpkg -L qn | while read -r f; do [ -d "$f" ] || echo "$f"; done)

fail() { echo "check-package: FAIL: $*"; "${as_root[@]}" apt-get purge -y -qq qn >/dev/null; exit 1; }
[ "$(command -v qn-render)" = /usr/bin/qn-render ] || fail "qn-render is not /usr/bin/qn-render"
/usr/bin/qn-render --version | grep -q "QN Version" || fail "qn-render --version"
/usr/bin/qn-render -q examples/sample.qnf -o "$work/sample.png" || fail "rendering the sample"
/usr/bin/qn-render -q examples/sample16.qnf -o "$work/sample16.png" || fail "the 16-bit sample"
"$build/bin/qn-render" -q examples/sample.qnf -o "$work/built.png"
cmp -s "$work/built.png" "$work/sample.png" || fail "the installed program renders another picture"
[ -f /usr/share/qn/help/help.htm ] || fail "no help page in /usr/share/qn/help"
[ ! -e /usr/bin/help ] || fail "a help folder in /usr/bin"
desktop-file-validate /usr/share/applications/jp.mossgate.QN.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/jp.mossgate.QN.metainfo.xml >/dev/null ||
  fail "metainfo"
grep -q 'application/x-qn-document:\*\.qnf' /usr/share/mime/globs2 || fail "MIME glob"
grep -q 'application/x-qn-document' /usr/share/mime/magic || fail "MIME magic"
grep -q 'x-qn-document' /usr/share/applications/mimeinfo.cache 2>/dev/null ||
  [ ! -x /usr/bin/update-desktop-database ] || fail "the entry does not open QN documents"
man -w qn-render | grep -q '/usr/share/man/man1/qn-render' || fail "man qn-render"
man -w qn | grep -q '/usr/share/man/man1/qn\.' || fail "man qn"
LC_ALL=C.UTF-8 MANWIDTH=80 man qn-render | grep -q -- '--height-range' || fail "qn-render(1) text"

"${as_root[@]}" apt-get purge -y -qq qn >/dev/null
for f in "${files[@]}"; do [ ! -e "$f" ] || { echo "check-package: FAIL: $f left behind"; exit 1; }; done
[ ! -e /usr/share/qn ] && [ ! -e /usr/lib/qn ] || { echo "check-package: FAIL: folders left"; exit 1; }
! grep -q 'x-qn-document' /usr/share/mime/globs2 || { echo "check-package: FAIL: MIME type left"; exit 1; }
echo "check-package: installed, checked and removed ${#files[@]} files cleanly"
