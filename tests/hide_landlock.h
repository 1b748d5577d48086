// A kernel without Landlock, simulated: from the call on, the calling process and every process
// it starts see Landlock's three system calls fail with ENOSYS, as on a kernel built without it.
#ifndef VOLTARIK_TESTS_HIDE_LANDLOCK_H_
#define VOLTARIK_TESTS_HIDE_LANDLOCK_H_

#include <seccomp.h>
#include <sys/prctl.h>

#include <cerrno>
#include <initializer_list>

namespace voltarik::testing {

// With `user_namespaces` false, making a user namespace fails too, as where the system forbids
// it; with another `landlock_error` than ENOSYS, Landlock is there but fails. False when the
// filter could not be put in place.
inline bool HideLandlock(bool user_namespaces, int landlock_error = ENOSYS) {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  bool ok = filter != nullptr;
  for (const int call : {SCMP_SYS(landlock_create_ruleset), SCMP_SYS(landlock_add_rule),
                         SCMP_SYS(landlock_restrict_self)}) {
    ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(landlock_error), call, 0) == 0;
  }
  if (!user_namespaces) {
    ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(unshare), 0) == 0;
  }
  ok = ok && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && seccomp_load(filter) == 0;
  seccomp_release(filter);
  return ok;
}

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_HIDE_LANDLOCK_H_
