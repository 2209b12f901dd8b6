#!/usr/bin/env bash
# The release package: the archive holds exactly the six files of a user's
# host folder, the copied ones match the source tree, the DLL is of the
# bitness the name says (win32 or win64), and unpacked into a fresh folder
# the packaged host drives the packaged DLL under Wine with the packaged
# configuration and background picture. Exit status 77: this machine cannot
# run programs of that bitness.
#
#   check-package.sh PACKAGE.zip WORK-FOLDER
set -euo pipefail
package=$1
work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)

expected="LICENSE
README.md
Tavlora.dll
displays/Tavlora.cfg
images/Tavlora.jpg
tavlora-host.exe"
listed=$(unzip -Z1 "$package" | grep -v "/$" | LC_ALL=C sort)
if [ "$listed" != "$expected" ]; then
  printf 'the package holds:\n%s\nexpected:\n%s\n' "$listed" "$expected" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work"
unzip -q "$package" -d "$work"
cd "$work"
for file in LICENSE README.md displays/Tavlora.cfg images/Tavlora.jpg; do
  cmp "$root/$file" "$file"
done

fail() {
  echo "check-package: $1" >&2
  cat "$2" >&2
  exit 1
}
# The PE header's machine field: 014c for i386, 8664 for x86-64.
machine=$(od -An -tx2 -j$(($(od -An -tu4 -j60 -N4 Tavlora.dll) + 4)) -N2 Tavlora.dll | tr -d ' ')
case $package in
  *-win32.zip) [ "$machine" = 014c ] || { echo "check-package: a win32 package with a DLL for machine $machine" >&2; exit 1; } ;;
  *-win64.zip) [ "$machine" = 8664 ] || { echo "check-package: a win64 package with a DLL for machine $machine" >&2; exit 1; } ;;
esac
run() {
  local status=0
  "$root/tools/wine-run" "$@" || status=$?
  [ "$status" -ne 77 ] || exit 77
  return "$status"
}
run tavlora-host.exe --check 'displays\Tavlora.cfg' >check.out 2>&1 ||
  fail "the packaged configuration does not check clean" check.out
run tavlora-host.exe "init 0 0" "write Tavlora" done >host.out 2>&1 ||
  fail "the packaged host ended with status $?" host.out
grep -q "ok=1" host.out || fail "the packaged DLL did not start (no ok=1)" host.out
grep -q "^done" host.out || fail "DISPLAYDLL_Done was not called" host.out
# The sample configuration has Debug=1: the log shows the picture was found.
[ -s logs/Tavlora.log ] || fail "no log from the packaged configuration" host.out
if grep -q "LoadPicture.*failed\|Lost the Picture" logs/Tavlora.log; then
  fail "the packaged picture did not load" logs/Tavlora.log
fi
echo "check-package: $(basename "$package") holds the six files and runs"
