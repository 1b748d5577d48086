// The confinement the news helper enters before it reads a byte from the network. What reaches
// the helper from a server can then at most spoil its own answer: it cannot start a program,
// trace or signal another process, write or create a file, read more than name lookup reads, or
// connect to a local service.
#ifndef VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
#define VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_

namespace voltarik {

// Confines the calling process for good: descriptors past the standard three closed; no core
// dump, a bounded address space, few descriptors, no file growth; no new privileges; Landlock's
// read-only access to what name lookup reads, where the kernel offers Landlock; and a seccomp
// filter that allows the system calls of a plain-HTTP transfer with name lookup and refuses the
// rest with EPERM. Call it before any thread starts: the filter binds the calling thread and
// those it starts later. False when any part but Landlock could not be put in place; the
// process must then not go on to the network.
bool EnterNewsSandbox();

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
