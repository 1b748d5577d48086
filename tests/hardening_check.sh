#!/usr/bin/env bash
# Fails unless a binary carries the hardening Debian and Fedora give their packages: position-
# independent, read-only relocations bound at start-up, a stack that cannot execute, the stack
# protector and fortified libc calls where it calls a libc function that has a fortified form.
# Usage: hardening_check.sh BINARY...
set -euo pipefail
status=0
fail() {
  echo "$binary: $1"
  status=1
}
for binary in "$@"; do
  headers=$(readelf -lW "$binary")
  dynamic=$(readelf -dW "$binary")
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q 'Type: *DYN' <(readelf -hW "$binary") && grep -q 'PIE' <<<"$dynamic" ||
    fail "not a position-independent executable"
  grep -q 'GNU_RELRO' <<<"$headers" || fail "no read-only relocations (GNU_RELRO)"
  grep -qE 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || fail "relocations are not bound at start-up"
  grep -qE 'GNU_STACK .* RW  ' <<<"$headers" || fail "the stack is executable or unmarked"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "no stack protector"
  # As lintian judges it: the functions whose unchecked calls matter (mem* aside, which the
  # compiler often proves safe), imported unchecked while no fortified call is imported at all.
  if grep -qE ' (read|pread|pread64|readlink|readlinkat|getcwd|realpath|recv|recvfrom|poll|ppoll|fgets|fread|sprintf|snprintf|vsprintf|vsnprintf|printf|fprintf|strcpy|strcat|strncpy|strncat|stpcpy)@' \
    <<<"$symbols" && ! grep -qE '__[a-z0-9]+_chk@' <<<"$symbols"; then
    fail "no fortified libc call"
  fi
done
[ $status -eq 0 ] && echo "hardening: PIE, RELRO with BIND_NOW, no exec stack, stack protector, fortified calls"
exit $status
