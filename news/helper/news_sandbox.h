// The confinement the news helper enters before it reads a byte from the network. What reaches
// the helper from a server can then at most spoil its own answer: it cannot start a program,
// trace or signal another process, change another's limits, write or create a file, read more
// than name lookup reads, reach a local socket, or connect to a TCP port a fetch never needs.
#ifndef VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
#define VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_

#include <cstdint>
#include <span>

namespace voltarik {

// Confines the calling process for good: descriptors past the standard three closed; no core
// dump, a bounded address space, few descriptors, no file growth; no new privileges, no
// capabilities, not dumpable; reading only what name lookup reads (Landlock where the kernel
// offers it, else a user and mount namespace that shows nothing else); TCP connections only to
// `connect_ports` where Landlock offers network rules; and a seccomp filter that allows the system
// calls of a plain-HTTP transfer with name lookup, with their arguments where they could reach
// outside the process, and refuses the rest with EPERM. Call it before any thread starts: the
// filter binds the calling thread and those it starts later. False when any layer could not be put
// in place; the process must then not go on to the network.
bool EnterNewsSandbox(std::span<const std::uint16_t> connect_ports);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
