#include "news/helper/file_view.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A copy of the mounts at a path of the old root, detached and read-only, to be shown at the same
// path in the new one.
class Tree {
 public:
  Tree(std::string path, bool folder, int fd) : path_(std::move(path)), folder_(folder), fd_(fd) {}
  ~Tree() {
    if (fd_ >= 0) close(fd_);
  }
  Tree(Tree&& other) noexcept
      : path_(std::move(other.path_)), folder_(other.folder_), fd_(std::exchange(other.fd_, -1)) {}
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  Tree& operator=(Tree&&) = delete;

  // Copies `path` with whatever is mounted beneath it (in an unprivileged namespace a folder's
  // submounts may be locked to it), read-only, each flag the original mounts carry kept as it
  // is. Nothing when it does not exist; a tree that is not valid() when it cannot be copied.
  static std::optional<Tree> Copy(const std::string& path) {
    struct stat status = {};
    if (stat(path.c_str(), &status) != 0) {
      if (errno == ENOENT) return std::nullopt;
      return Tree(path, false, -1);
    }
    Tree tree(
        path, S_ISDIR(status.st_mode),
        open_tree(AT_FDCWD, path.c_str(), OPEN_TREE_CLONE | OPEN_TREE_CLOEXEC | AT_RECURSIVE));
    mount_attr read_only{};
    read_only.attr_set = MOUNT_ATTR_RDONLY | MOUNT_ATTR_NOSUID | MOUNT_ATTR_NODEV;
    if (tree.fd_ >= 0 && mount_setattr(tree.fd_, "", AT_EMPTY_PATH | AT_RECURSIVE, &read_only,
                                       sizeof read_only) != 0) {
      close(std::exchange(tree.fd_, -1));
    }
    return tree;
  }

  bool valid() const { return fd_ >= 0; }

  // Shown at its path under the working folder, on a folder or file made for it there.
  bool Show() const {
    const std::string relative = path_.substr(1);
    if (folder_) {
      if (!MakeFolders(path_)) return false;
    } else {
      const std::size_t slash = path_.rfind('/');
      if (slash > 0 && !MakeFolders(std::string_view(path_).substr(0, slash))) return false;
      const int fd = open(relative.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      if (fd < 0 || close(fd) != 0) return false;
    }
    return move_mount(fd_, "", AT_FDCWD, relative.c_str(), MOVE_MOUNT_F_EMPTY_PATH) == 0;
  }

 private:
  std::string path_;
  bool folder_;
  int fd_;
};

}  // namespace

bool EnterFileView(std::span<const std::string> readable) {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !MapOwnIds(uid, gid) ||
      // Nothing done from here on reaches the namespace it came from.
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return false;
  }
  // Copied before the new root is made on /tmp, which then hides what the old one holds there.
  std::vector<Tree> trees;
  for (const std::string& path : readable) {
    std::optional<Tree> tree = Tree::Copy(path);
    if (tree && !tree->valid()) return false;
    if (tree) trees.push_back(*std::move(tree));
  }
  if (mount("tmpfs", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "mode=0755,size=64k") !=
          0 ||
      chdir("/tmp") != 0) {
    return false;
  }
  for (const Tree& tree : trees) {
    if (!tree.Show()) return false;
  }
  trees.clear();
  // The new root goes on top of the old one, which is then let go of for good; nothing can be
  // made in it afterwards.
  return syscall(SYS_pivot_root, ".", ".") == 0 && umount2(".", MNT_DETACH) == 0 &&
         chdir("/") == 0 &&
         mount(nullptr, "/", nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC,
               nullptr) == 0;
}

}  // namespace voltarik
