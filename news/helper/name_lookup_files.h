// What name lookup reads, and so all the news helper may read of the file system: glibc's
// resolver configuration, and the NSS modules nsswitch.conf may name, which it loads from the
// system's library folders.
#ifndef VOLTARIK_NEWS_HELPER_NAME_LOOKUP_FILES_H_
#define VOLTARIK_NEWS_HELPER_NAME_LOOKUP_FILES_H_

namespace voltarik {

inline constexpr const char* kNameLookupFiles[] = {"/etc/nsswitch.conf", "/etc/host.conf",
                                                   "/etc/hosts",         "/etc/resolv.conf",
                                                   "/etc/gai.conf",      "/etc/ld.so.cache"};
inline constexpr const char* kLibraryFolders[] = {"/usr/lib", "/lib", "/lib64", "/usr/lib64"};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_NAME_LOOKUP_FILES_H_
