#!/usr/bin/env bash
# The release package: the archive holds exactly the six files of a user's
# host folder, the copied ones match the source tree, and unpacked into a
# fresh folder the packaged host drives the packaged DLL under Wine with the
# packaged configuration and background picture.
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
listed=$(unzip -Z1 "$package" | LC_ALL=C sort)
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
"$root/tools/wine-run" tavlora-host.exe --check 'displays\Tavlora.cfg' >check.out 2>&1 ||
  fail "the packaged configuration does not check clean" check.out
"$root/tools/wine-run" tavlora-host.exe "init 0 0" "write Tavlora" done >host.out 2>&1 ||
  fail "the packaged host ended with status $?" host.out
grep -q "ok=1" host.out || fail "the packaged DLL did not start (no ok=1)" host.out
grep -q "^done" host.out || fail "DISPLAYDLL_Done was not called" host.out
# The sample configuration has Debug=1: the log shows the picture was found.
[ -s logs/Tavlora.log ] || fail "no log from the packaged configuration" host.out
if grep -q "LoadPicture.*failed\|Lost the Picture" logs/Tavlora.log; then
  fail "the packaged picture did not load" logs/Tavlora.log
fi
echo "check-package: $(basename "$package") holds the six files and runs"
