#include "news/helper/news_sandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <linux/sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <memory>

namespace voltarik {
namespace {

// The transfer needs one pipe, one connection, the resolver's sockets and the files name lookup
// reads, a few at a time.
constexpr rlim_t kMaxDescriptors = 32;
// libcurl, its TLS libraries (loaded, though never used for plain HTTP) and the resolver's
// thread take about a tenth of this.
constexpr rlim_t kMaxAddressSpace = rlim_t{512} * 1024 * 1024;
// The window's process kills the helper long before this; a loop gone wild still stops.
constexpr rlim_t kMaxCpuSeconds = 10;

bool Limit(int resource, rlim_t value) {
  const rlimit limit{value, value};
  return setrlimit(resource, &limit) == 0;
}

bool LimitResources() {
  bool ok = Limit(RLIMIT_CORE, 0) && Limit(RLIMIT_NOFILE, kMaxDescriptors) &&
            Limit(RLIMIT_FSIZE, 0) && Limit(RLIMIT_CPU, kMaxCpuSeconds);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves terabytes of address space for its shadow memory.
  ok = ok && Limit(RLIMIT_AS, kMaxAddressSpace);
#endif
  return ok;
}

// Landlock's rights beyond those of the kernel headers Debian 12 builds with.
constexpr std::uint64_t kFsTruncate = 1ULL << 14;              // ABI 3
constexpr std::uint64_t kFsIoctlDev = 1ULL << 15;              // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;               // ABI 4
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0;  // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;              // ABI 6

// The ruleset's attributes as ABI 6 knows them; older kernels are given the leading part only.
struct RulesetAttributes {
  std::uint64_t handled_access_fs;
  std::uint64_t handled_access_net;
  std::uint64_t scoped;
};

// What name lookup reads: glibc's resolver configuration, and the NSS modules that nsswitch.conf
// may name, which it loads from the system's library folders.
constexpr const char* kNameLookupFiles[] = {"/etc/nsswitch.conf", "/etc/host.conf",
                                            "/etc/hosts",         "/etc/resolv.conf",
                                            "/etc/gai.conf",      "/etc/ld.so.cache"};
constexpr const char* kLibraryFolders[] = {"/usr/lib", "/lib", "/lib64", "/usr/lib64"};

struct FdCloser {
  void operator()(const int* fd) const {
    close(*fd);
    delete fd;
  }
};
using OwnedFd = std::unique_ptr<int, FdCloser>;

void AllowReading(int ruleset, const char* path, std::uint64_t access) {
  const int fd = open(path, O_PATH | O_CLOEXEC);
  if (fd < 0) return;  // absent here: nothing to allow
  const OwnedFd owned(new int(fd));
  landlock_path_beneath_attr rule{};
  rule.allowed_access = access;
  rule.parent_fd = fd;
  syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
}

// True when Landlock is in force, or when the kernel does not offer it; false only when it is
// offered but could not be put in place.
bool RestrictFileSystem() {
  const long abi =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (abi < 1) return errno == ENOSYS || errno == EOPNOTSUPP;

  RulesetAttributes attributes{};
  attributes.handled_access_fs = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // every ABI 1 right
  std::size_t size = sizeof(std::uint64_t);
  if (abi >= 2) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
  if (abi >= 3) attributes.handled_access_fs |= kFsTruncate;
  if (abi >= 5) attributes.handled_access_fs |= kFsIoctlDev;
  if (abi >= 4) {
    attributes.handled_access_net = kNetBindTcp;  // no rule for it: no TCP port is bound
    size = 2 * sizeof(std::uint64_t);
  }
  if (abi >= 6) {
    attributes.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    size = sizeof(RulesetAttributes);
  }
  const long ruleset = syscall(SYS_landlock_create_ruleset, &attributes, size, 0);
  if (ruleset < 0) return false;
  const OwnedFd owned(new int(static_cast<int>(ruleset)));
  for (const char* file : kNameLookupFiles) {
    AllowReading(*owned, file, LANDLOCK_ACCESS_FS_READ_FILE);
  }
  for (const char* folder : kLibraryFolders) {
    AllowReading(*owned, folder, LANDLOCK_ACCESS_FS_READ_FILE);
  }
  return syscall(SYS_landlock_restrict_self, *owned, 0) == 0;
}

struct FilterRelease {
  void operator()(scmp_filter_ctx filter) const { seccomp_release(filter); }
};
using Filter = std::unique_ptr<void, FilterRelease>;

bool Allow(scmp_filter_ctx filter, std::initializer_list<int> calls) {
  for (const int call : calls) {
    if (seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0) return false;
  }
  return true;
}

// Opening for reading only: no file written, truncated or made.
constexpr scmp_datum_t kWritingFlags =
    O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND | (O_TMPFILE & ~O_DIRECTORY);

// One system call allowed when its argument `argument`, masked with `mask`, equals `value`
// (seccomp.h's SCMP_A0 and the like are C compound literals).
struct Condition {
  unsigned int argument;
  scmp_datum_t mask;
  scmp_datum_t value;
};

bool AllowWhen(scmp_filter_ctx filter, int call, const Condition& condition) {
  const scmp_arg_cmp compare{condition.argument, SCMP_CMP_MASKED_EQ, condition.mask,
                             condition.value};
  return seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 1, compare) == 0;
}

constexpr scmp_datum_t kAll = ~scmp_datum_t{0};

bool AllowConditional(scmp_filter_ctx filter) {
  return AllowWhen(filter, SCMP_SYS(openat), {2, kWritingFlags, 0}) &&
         // Threads (the resolver's), never a new process.
         AllowWhen(filter, SCMP_SYS(clone), {0, CLONE_THREAD, CLONE_THREAD}) &&
         // Internet sockets, and the routing socket through which name lookup learns which
         // address families are configured; no local socket, which would reach the user's
         // session bus, display or other services.
         AllowWhen(filter, SCMP_SYS(socket), {0, kAll, AF_INET}) &&
         AllowWhen(filter, SCMP_SYS(socket), {0, kAll, AF_INET6}) &&
         AllowWhen(filter, SCMP_SYS(socket), {0, kAll, AF_NETLINK}) &&
         // An unnamed pair, through which libcurl's resolver thread signals its answer.
         AllowWhen(filter, SCMP_SYS(socketpair), {0, kAll, AF_UNIX}) &&
         // How many bytes wait on a socket: glibc's resolver sizes its buffer for an answer over
         // UDP by it. No other device control.
         AllowWhen(filter, SCMP_SYS(ioctl), {1, kAll, FIONREAD});
}

bool FilterSystemCalls() {
  const Filter filter(seccomp_init(SCMP_ACT_ERRNO(EPERM)));
  if (!filter) return false;
  return Allow(filter.get(),
               {// Memory
                SCMP_SYS(brk), SCMP_SYS(mmap), SCMP_SYS(munmap), SCMP_SYS(mremap),
                SCMP_SYS(mprotect), SCMP_SYS(madvise),
                // Descriptors already open or opened for reading
                SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(readv), SCMP_SYS(write),
                SCMP_SYS(writev), SCMP_SYS(close), SCMP_SYS(fstat), SCMP_SYS(newfstatat),
                SCMP_SYS(statx), SCMP_SYS(lseek), SCMP_SYS(fcntl), SCMP_SYS(pipe2), SCMP_SYS(poll),
                SCMP_SYS(ppoll), SCMP_SYS(select), SCMP_SYS(pselect6),
                // An event counter of its own: libcurl (8.22 and later) makes one with each
                // multi handle, to wake its poll
                SCMP_SYS(eventfd2),
                // Sockets already made
                SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(getsockname), SCMP_SYS(getpeername),
                SCMP_SYS(getsockopt), SCMP_SYS(setsockopt), SCMP_SYS(sendto), SCMP_SYS(sendmsg),
                SCMP_SYS(sendmmsg), SCMP_SYS(recvfrom), SCMP_SYS(recvmsg), SCMP_SYS(shutdown),
                // Threads and their locks
                SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
                SCMP_SYS(set_tid_address), SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity),
                SCMP_SYS(gettid), SCMP_SYS(getpid), SCMP_SYS(exit), SCMP_SYS(exit_group),
                // Signals of its own
                SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                SCMP_SYS(sigaltstack),
                // Time, randomness and facts about itself
                SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep),
                SCMP_SYS(nanosleep), SCMP_SYS(gettimeofday), SCMP_SYS(getrandom), SCMP_SYS(uname),
                SCMP_SYS(getuid), SCMP_SYS(geteuid), SCMP_SYS(getgid), SCMP_SYS(getegid),
                SCMP_SYS(prlimit64)}) &&
         AllowConditional(filter.get()) &&
         // glibc starts threads with clone3 when it can, whose flags a filter cannot see;
         // told it is missing, glibc falls back to clone.
         seccomp_rule_add(filter.get(), SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0 &&
         seccomp_load(filter.get()) == 0;
}

}  // namespace

bool EnterNewsSandbox() {
  return close_range(3, ~0U, 0) == 0 && LimitResources() &&
         prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && RestrictFileSystem() && FilterSystemCalls();
}

}  // namespace voltarik
