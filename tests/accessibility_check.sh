#!/usr/bin/env bash
# Checks what a screen reader is told about the window: every line of accessibility_expected.txt
# must stand in the tree that tools/a11y-dump.sh reads over AT-SPI, and no element it can stop at
# is without a name.
set -uo pipefail
here=$(dirname "$0")
tree=$(VOLTARIK_BINARY="$1" "$here/../tools/a11y-dump.sh" 2>/dev/null)
status=0
while IFS= read -r expected; do
  [ -z "$expected" ] && continue
  if ! grep -qxF -- "$expected" <<<"$tree"; then
    echo "missing: $expected"
    status=1
  fi
done <"$here/accessibility_expected.txt"
# Nothing a screen reader stops at may be nameless: fillers are structure it passes over, a
# scroll bar tells its position and a separator what it is.
unnamed=$(grep -E "^ *[a-z ]+: name=''" <<<"$tree" | grep -vE "^ *(filler|scroll bar|separator): " ||
  true)
if [ -n "$unnamed" ]; then
  printf 'unnamed:\n%s\n' "$unnamed"
  status=1
fi
[ $status -eq 0 ] || printf 'The tree read:\n%s\n' "$tree"
exit $status
