#include "news/helper/landlock.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace voltarik {
namespace {

// Landlock's rights and rules beyond those of the kernel headers Debian 12 builds with.
constexpr std::uint64_t kFsTruncate = 1ULL << 14;              // ABI 3
constexpr std::uint64_t kFsIoctlDev = 1ULL << 15;              // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;               // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;            // ABI 4
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0;  // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;              // ABI 6
constexpr int kRuleNetPort = 2;                                // ABI 4

// The ruleset's attributes as ABI 6 knows them; older kernels are given the leading part only.
struct RulesetAttributes {
  std::uint64_t handled_access_fs;
  std::uint64_t handled_access_net;
  std::uint64_t scoped;
};

struct NetPortRule {
  std::uint64_t allowed_access;
  std::uint64_t port;
};

class OwnedFd {
 public:
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() {
    if (fd_ >= 0) close(fd_);
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// False when the path cannot be looked at for another reason than that it does not exist, or its
// rule could not be added.
bool AllowReading(int ruleset, const std::string& path) {
  const OwnedFd file(open(path.c_str(), O_PATH | O_CLOEXEC));
  if (file.get() < 0) return errno == ENOENT;  // absent here: nothing to allow
  landlock_path_beneath_attr rule{};
  rule.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE;
  rule.parent_fd = file.get();
  return syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0;
}

bool AllowConnecting(int ruleset, std::uint16_t port) {
  const NetPortRule rule{kNetConnectTcp, port};
  return syscall(SYS_landlock_add_rule, ruleset, kRuleNetPort, &rule, 0) == 0;
}

}  // namespace

Landlock RestrictWithLandlock(std::span<const std::string> readable,
                              std::span<const std::uint16_t> connect_ports) {
  const long abi =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (abi < 1) {
    return errno == ENOSYS || errno == EOPNOTSUPP ? Landlock::kNotOffered : Landlock::kFailed;
  }

  RulesetAttributes attributes{};
  attributes.handled_access_fs = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // every ABI 1 right
  std::size_t size = sizeof(std::uint64_t);
  if (abi >= 2) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
  if (abi >= 3) attributes.handled_access_fs |= kFsTruncate;
  if (abi >= 5) attributes.handled_access_fs |= kFsIoctlDev;
  if (abi >= 4) {
    attributes.handled_access_net = kNetBindTcp | kNetConnectTcp;
    size = 2 * sizeof(std::uint64_t);
  }
  if (abi >= 6) {
    attributes.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    size = sizeof(RulesetAttributes);
  }
  const OwnedFd ruleset(
      static_cast<int>(syscall(SYS_landlock_create_ruleset, &attributes, size, 0)));
  if (ruleset.get() < 0) return Landlock::kFailed;
  bool ok = true;
  for (const std::string& path : readable) ok = ok && AllowReading(ruleset.get(), path);
  if (abi >= 4) {
    for (const std::uint16_t port : connect_ports) ok = ok && AllowConnecting(ruleset.get(), port);
  }
  return ok && syscall(SYS_landlock_restrict_self, ruleset.get(), 0) == 0 ? Landlock::kInForce
                                                                          : Landlock::kFailed;
}

}  // namespace voltarik
