// The news helper's file and network access under Landlock, the kernel's own sandbox for
// unprivileged processes.
#ifndef VOLTARIK_NEWS_HELPER_LANDLOCK_H_
#define VOLTARIK_NEWS_HELPER_LANDLOCK_H_

#include <cstdint>
#include <span>
#include <string>

namespace voltarik {

enum class Landlock {
  kInForce,     // in force for the calling thread and those it starts later
  kNotOffered,  // the kernel has no Landlock, or it is not among the boot's security modules
  kFailed,      // offered, but could not be put in place
};

// Lets the calling thread read the files `readable` names and those under the folders it names,
// and nothing else of the file system: no folder listed, nothing written, made or removed. A path
// that does not exist is left out. Where the kernel offers network rules (Landlock ABI 4, Linux
// 6.7), no TCP port bound and TCP connections only to `connect_ports`; where it offers scoping
// (ABI 6, Linux 6.12), no abstract local socket reached and no other process signalled.
Landlock RestrictWithLandlock(std::span<const std::string> readable,
                              std::span<const std::uint16_t> connect_ports);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_LANDLOCK_H_
