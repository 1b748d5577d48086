#include "news/helper/file_view.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace voltarik {
namespace {

bool WriteFile(const char* path, std::string_view text) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return close(fd) == 0 && written;
}

// Keeps the process's own user and group, mapped to themselves, and gives up supplementary
// groups, which an unprivileged user namespace requires before a group map.
bool MapOwnIds(uid_t uid, gid_t gid) {
  return WriteFile("/proc/self/setgroups", "deny") &&
         WriteFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
         WriteFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

// Every folder of `path` under the working folder, as in `mkdir -p`.
bool MakeFolders(std::string_view path) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string folder(path.substr(1, end - 1));  // to the end when there is no slash
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (end == std::string_view::npos) return true;
  }
}

// `path` of the old root shown at the same place under the working folder, read-only with
// whatever is mounted beneath it; true when it does not exist, which leaves nothing to show.
bool Show(const std::string& path) {
  struct stat status = {};
  if (stat(path.c_str(), &status) != 0) return errno == ENOENT;
  const std::string relative = path.substr(1);
  if (S_ISDIR(status.st_mode)) {
    if (!MakeFolders(path)) return false;
  } else {
    const std::size_t slash = path.rfind('/');
    if (slash > 0 && !MakeFolders(std::string_view(path).substr(0, slash))) return false;
    const int fd = open(relative.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || close(fd) != 0) return false;
  }
  // Recursive, since a folder's submounts may be locked to it in an unprivileged namespace; made
  // read-only the same way, each flag the original mounts carry kept as it is.
  mount_attr read_only{};
  read_only.attr_set = MOUNT_ATTR_RDONLY | MOUNT_ATTR_NOSUID | MOUNT_ATTR_NODEV;
  return mount(path.c_str(), relative.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0 &&
         mount_setattr(AT_FDCWD, relative.c_str(), AT_RECURSIVE, &read_only, sizeof read_only) == 0;
}

}  // namespace

bool EnterFileView(std::span<const std::string> readable) {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !MapOwnIds(uid, gid) ||
      // Nothing done from here on reaches the namespace it came from.
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "mode=0755,size=64k") !=
          0 ||
      chdir("/tmp") != 0) {
    return false;
  }
  for (const std::string& path : readable) {
    if (!Show(path)) return false;
  }
  // The new root goes on top of the old one, which is then let go of for good; nothing can be
  // made in it afterwards.
  return syscall(SYS_pivot_root, ".", ".") == 0 && umount2(".", MNT_DETACH) == 0 &&
         chdir("/") == 0 &&
         mount(nullptr, "/", nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC,
               nullptr) == 0;
}

}  // namespace voltarik
