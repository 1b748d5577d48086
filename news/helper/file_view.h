// Where the kernel offers no Landlock, the news helper's view of the file system is cut down
// instead, as bubblewrap does: in a user and mount namespace of its own, its root becomes an
// empty file system that shows only what the helper may read, read-only.
#ifndef VOLTARIK_NEWS_HELPER_FILE_VIEW_H_
#define VOLTARIK_NEWS_HELPER_FILE_VIEW_H_

#include <span>
#include <string>

namespace voltarik {

// Moves the calling process into a root that shows the files and folders `readable` names, each
// at its own path and read-only, and nothing else; a path that does not exist is left out. Needs a
// single-threaded process that may make a user namespace (the kernel allows it to ordinary users
// unless a setting or a security module forbids it, and never inside a chroot). The process holds
// every capability inside the new namespace afterwards; the caller drops them. False when any step
// failed: the process must then not go on to the network, whatever it can still see.
bool EnterFileView(std::span<const std::string> readable);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_FILE_VIEW_H_
