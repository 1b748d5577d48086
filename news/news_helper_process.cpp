#include "news/news_helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "news/helper_environment.h"
#include "news/news_frame.h"

namespace voltarik {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> PassedEnvironment() {
  std::vector<std::string> environment;
  for (const PassedVariable& variable : kHelperEnvironment) {
    if (const char* value = std::getenv(variable.name)) {
      environment.push_back(std::string(variable.name) + "=" + value);
    }
  }
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// A descriptor moved past the standard three: in a program started with one of those closed,
// the pipe or /dev/null may have been given its number, and placing one as the helper's standard
// output would then close the other. -1 when it could not be moved.
int PastStandardDescriptors(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  close(fd);
  return moved;
}

class SpawnActions {
 public:
  SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  // The pipe as standard output, /dev/null as standard input and error, and nothing else.
  bool Place(int pipe_write, int null_device) {
    return ok_ && posix_spawn_file_actions_adddup2(&actions_, null_device, STDIN_FILENO) == 0 &&
           posix_spawn_file_actions_adddup2(&actions_, pipe_write, STDOUT_FILENO) == 0 &&
           posix_spawn_file_actions_adddup2(&actions_, null_device, STDERR_FILENO) == 0 &&
           posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0;
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;  // initialised, so to be destroyed
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = posix_spawnattr_init(&attributes_) == 0; }
  ~SpawnAttributes() {
    if (ok_) posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  // No signal blocked and every one at its default, whatever this thread blocks or ignores.
  bool Clean() {
    sigset_t none;
    sigset_t all;
    return ok_ && sigemptyset(&none) == 0 && sigfillset(&all) == 0 &&
           posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
           posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
           posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) ==
               0;
  }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
  bool ok_ = false;  // initialised, so to be destroyed
};

// Starts the helper with glibc's posix_spawn, which shares this process's memory until the exec
// and has the caller wait until then: a fork of the window's process, which has Qt mapped by now,
// would copy its page tables and make every page it writes next fault once more. -1 when it
// could not be started.
pid_t StartHelper(const std::string& path, std::vector<char*>& argv, std::vector<char*>& envp,
                  int pipe_write, int null_device) {
  SpawnActions actions;
  SpawnAttributes attributes;
  pid_t child = -1;
  if (!actions.Place(pipe_write, null_device) || !attributes.Clean() ||
      posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv.data(),
                  envp.data()) != 0) {
    return -1;
  }
  return child;
}

}  // namespace

std::string NewsHelperPath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !program.is_absolute()) return {};
  return (program.parent_path() / VOLTARIK_NEWS_HELPER_FROM_PROGRAM).string();
}

NewsHelperProcess::NewsHelperProcess(const std::string& helper_path, const std::string& address,
                                     std::chrono::milliseconds timeout)
    : deadline_(Clock::now() + timeout + kHelperMargin) {
  if (helper_path.empty()) return;
  // The helper checks that its parent is still this process once it has asked to die with it.
  std::vector<std::string> arguments = {helper_path, address, std::to_string(timeout.count()),
                                        std::to_string(getpid())};
  std::vector<std::string> environment = PassedEnvironment();
  std::vector<char*> argv = Pointers(arguments);
  std::vector<char*> envp = Pointers(environment);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const int read_end = ends[0];
  const int write_end = PastStandardDescriptors(ends[1]);
  const int null_device = PastStandardDescriptors(open("/dev/null", O_RDWR | O_CLOEXEC));
  const pid_t child = write_end < 0 || null_device < 0
                          ? -1
                          : StartHelper(helper_path, argv, envp, write_end, null_device);
  if (null_device >= 0) close(null_device);
  if (write_end >= 0) close(write_end);
  if (child < 0) {
    close(read_end);
    return;
  }
  pid_ = child;
  pipe_ = read_end;
}

NewsHelperProcess::~NewsHelperProcess() { Stop(); }

std::optional<HttpDocument> NewsHelperProcess::TakeAnswer() {
  if (pid_ < 0) return std::nullopt;
  const Clock::time_point deadline = std::max(deadline_, Clock::now() + kHelperMargin);
  std::string frame;
  std::array<char, 65536> buffer{};
  bool ended = false;
  while (!ended) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd entry{pipe_, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    // One byte past the longest frame is enough to know it is too long.
    const std::size_t room = std::min(buffer.size(), kMaxNewsFrameBytes + 1 - frame.size());
    const ssize_t got = read(pipe_, buffer.data(), room);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    ended = got == 0;
    frame.append(buffer.data(), static_cast<std::size_t>(got));
    if (frame.size() > kMaxNewsFrameBytes) break;
  }
  Stop();
  return ended ? DecodeNewsFrame(frame) : std::nullopt;
}

void NewsHelperProcess::Stop() {
  if (pid_ < 0) return;
  close(pipe_);
  // The answer is in, or will never be: a helper still running, or one that closed its end of
  // the pipe and went on, has nothing more to do.
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  pipe_ = -1;
}

}  // namespace voltarik
