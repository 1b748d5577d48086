// Where the kernel offers no Landlock, the news helper's view of the file system is cut down
// instead, as bubblewrap-style sandboxes do: in a user and mount namespace of its own, its root
// becomes an empty file system that shows only what name lookup reads.
#ifndef VOLTARIK_NEWS_HELPER_NAME_LOOKUP_ROOT_H_
#define VOLTARIK_NEWS_HELPER_NAME_LOOKUP_ROOT_H_

namespace voltarik {

// Moves the calling process into that root for good. Needs a single-threaded process that may
// make a user namespace (the kernel allows it to ordinary users unless a setting or a security
// module forbids it, and never inside a chroot). The process holds every capability inside the
// new namespace afterwards; the caller drops them. False when any step failed: the process must
// then not go on to the network, whatever it can still see.
bool EnterNameLookupRoot();

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_NAME_LOOKUP_ROOT_H_
