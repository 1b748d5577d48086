#include "news/news_helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "news/news_frame.h"

namespace voltarik {
namespace {

using Clock = std::chrono::steady_clock;

// What libcurl reads of the environment for a plain-HTTP transfer; nothing else reaches the
// helper.
constexpr std::array<const char*, 5> kProxyVariables = {"http_proxy", "all_proxy", "ALL_PROXY",
                                                        "no_proxy", "NO_PROXY"};

std::vector<std::string> ProxyEnvironment() {
  std::vector<std::string> environment;
  environment.reserve(kProxyVariables.size());
  for (const char* name : kProxyVariables) {
    if (const char* value = std::getenv(name)) {
      environment.push_back(std::string(name) + "=" + value);
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

// What the child needs to become the helper.
struct HelperStart {
  pid_t parent;
  int pipe_write;
  int null_device;
  const char* path;
  char* const* argv;
  char* const* envp;
};

// The child, on the parent's memory until exec: system calls only, and no return. The program
// installs no signal handlers, so none can run here either.
[[noreturn]] int ExecHelper(void* argument) {
  const HelperStart& start = *static_cast<const HelperStart*>(argument);
  // Dies with the thread that started it, also when the window's process is killed.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != start.parent) _exit(127);
  // Both moved past the standard three first: a program started with one of those closed may
  // have been given the pipe or /dev/null in its place.
  const int pipe_fd = fcntl(start.pipe_write, F_DUPFD_CLOEXEC, 3);
  const int null_fd = fcntl(start.null_device, F_DUPFD_CLOEXEC, 3);
  if (pipe_fd < 0 || null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0 ||
      dup2(pipe_fd, STDOUT_FILENO) < 0 || dup2(null_fd, STDERR_FILENO) < 0 ||
      close_range(3, ~0U, 0) != 0) {
    _exit(127);
  }
  execve(start.path, start.argv, start.envp);
  _exit(127);
}

// Starts the helper as posix_spawn does, sharing this process's memory until the exec and with
// the parent waiting until then: a fork of the window's process, which has Qt mapped by now,
// would copy its page tables and make every page it writes next fault once more. Unlike
// posix_spawn it lets the child ask to die with its parent before the helper runs.
pid_t StartHelper(HelperStart& start) {
  constexpr std::size_t kChildStackBytes = std::size_t{64} * 1024;
  // Left untouched but for the few pages the child uses; the stack grows down.
  const std::unique_ptr<char[]> stack = std::make_unique_for_overwrite<char[]>(kChildStackBytes);
  return clone(ExecHelper, stack.get() + kChildStackBytes, CLONE_VM | CLONE_VFORK | SIGCHLD,
               &start);
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
  std::vector<std::string> arguments = {helper_path, address, std::to_string(timeout.count())};
  std::vector<std::string> environment = ProxyEnvironment();
  const std::vector<char*> argv = Pointers(arguments);
  const std::vector<char*> envp = Pointers(environment);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const int null_device = open("/dev/null", O_RDWR | O_CLOEXEC);
  HelperStart start{getpid(), ends[1], null_device, helper_path.c_str(), argv.data(), envp.data()};
  const pid_t child = null_device < 0 ? -1 : StartHelper(start);
  if (null_device >= 0) close(null_device);
  close(ends[1]);
  if (child < 0) {
    close(ends[0]);
    return;
  }
  pid_ = child;
  pipe_ = ends[0];
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
