// The news helper's pipe and sandbox, without Qt: the frame both ends speak, the window's side
// against helpers that misbehave, and the sandbox tried from inside.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "news/helper/curl_http_get.h"
#include "news/news_frame.h"
#include "news/news_helper_process.h"
#include "news/helper/news_sandbox.h"
#include "tests/test_support.h"

namespace voltarik {

void PrintTo(const HttpDocument& document, std::ostream* out) {
  *out << "{\"" << document.body.substr(0, 40) << "\" (" << document.body.size() << " bytes), \""
       << document.charset << "\"}";
}

namespace testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kSlack{300};

int ChildProcessCount() {
  std::ifstream list("/proc/self/task/" + std::to_string(gettid()) + "/children");
  int children = 0;
  for (int pid = 0; list >> pid;) ++children;
  return children;
}

const HttpDocument kVersion2{"Verze 2", "windows-1250"};

struct FrameCase {
  const char* name;
  std::string bytes;
  std::optional<HttpDocument> decoded;
  friend void PrintTo(const FrameCase& row, std::ostream* out) { *out << row.name; }
};

class NewsFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(NewsFrameTest, DecodesOnlyWellFormedDocuments) {
  EXPECT_EQ(DecodeNewsFrame(GetParam().bytes), GetParam().decoded);
}

const std::string kFrame = EncodeNewsFrame(kVersion2);
const std::string kLongestBody(kMaxNewsBodyBytes, 'a');

std::string WithByte(std::string frame, std::size_t at, char byte) {
  frame[at] = byte;
  return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, NewsFrameTest,
    ::testing::Values(
        FrameCase{"document", kFrame, kVersion2},
        FrameCase{"written out by hand", std::string("VNF1D\x05utf-8\0\0\0\x02", 15) + "ok",
                  HttpDocument{"ok", "utf-8"}},
        FrameCase{"no charset", EncodeNewsFrame(HttpDocument{"x", ""}), HttpDocument{"x", ""}},
        FrameCase{"empty document", EncodeNewsFrame(HttpDocument{}), HttpDocument{}},
        FrameCase{"body of exactly the cap", EncodeNewsFrame(HttpDocument{kLongestBody, ""}),
                  HttpDocument{kLongestBody, ""}},
        FrameCase{"failure", EncodeNewsFrame(std::nullopt), std::nullopt},
        FrameCase{"body over the cap is sent as a failure",
                  EncodeNewsFrame(HttpDocument{kLongestBody + "a", ""}), std::nullopt},
        FrameCase{"charset that is no name is sent as a failure",
                  EncodeNewsFrame(HttpDocument{"x", "utf 8"}), std::nullopt},
        FrameCase{"nothing", "", std::nullopt},
        FrameCase{"another kind of frame", WithByte(kFrame, 3, '2'), std::nullopt},
        FrameCase{"unknown outcome", WithByte(kFrame, 4, 'd'), std::nullopt},
        FrameCase{"cut in the header", kFrame.substr(0, 9), std::nullopt},
        FrameCase{"cut in the body", kFrame.substr(0, kFrame.size() - 1), std::nullopt},
        FrameCase{"a byte past the body", kFrame + "x", std::nullopt},
        FrameCase{"charset longer than the frame", WithByte(kFrame, 5, '\x7f'), std::nullopt},
        FrameCase{"charset with a control character", WithByte(kFrame, 8, '\n'), std::nullopt},
        FrameCase{"length's high byte not ignored", std::string("VNF1D\0\x01\0\0\x02", 10) + "ok",
                  std::nullopt},
        FrameCase{"declared body over the cap",
                  std::string("VNF1D\0\x00\x10\x00\x01", 10) + kLongestBody + "a", std::nullopt}),
    [](const auto& info) { return Slug(info.param.name); });

struct CharsetCase {
  const char* name;
  const char* content_type;
  const char* charset;
  friend void PrintTo(const CharsetCase& row, std::ostream* out) { *out << row.name; }
};

class ContentTypeCharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(ContentTypeCharsetTest, FindsTheCharsetParameter) {
  EXPECT_EQ(ContentTypeCharset(GetParam().content_type), GetParam().charset);
}

INSTANTIATE_TEST_SUITE_P(
    ContentTypes, ContentTypeCharsetTest,
    ::testing::Values(
        CharsetCase{"no blank after the semicolon", "text/plain;charset=utf-8", "utf-8"},
        CharsetCase{"any case and blanks", "text/plain;\tCharSet = \"ISO-8859-2\" ", "ISO-8859-2"},
        CharsetCase{"after another parameter", "text/plain; a=b; charset=cp1250", "cp1250"},
        CharsetCase{"an empty quoted one skipped", "text/plain; charset=\"\"; charset=utf-8",
                    "utf-8"},
        CharsetCase{"none", "text/plain", ""},
        CharsetCase{"media type is no parameter", "charset=utf-8", ""},
        CharsetCase{"no name", "text/plain; charset=utf-8;x", "utf-8"},
        CharsetCase{"blank inside", "text/plain; charset=\"utf 8\"", ""},
        CharsetCase{"longer than any name",
                    "text/plain; charset=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", ""}),
    [](const auto& info) { return Slug(info.param.name); });

struct HelperCase {
  const char* name;
  const char* how;  // what the fake helper does
  std::optional<HttpDocument> answer;
  bool ends_by_the_clock;
  const char* helper = VOLTARIK_FAKE_NEWS_HELPER;
  friend void PrintTo(const HelperCase& row, std::ostream* out) { *out << row.name; }
};

class NewsHelperProcessTest : public ::testing::TestWithParam<HelperCase> {};

// A short limit keeps the suite quick.
TEST_P(NewsHelperProcessTest, AnswersOnlyAWellFormedFrameInTimeAndLeavesNoProcess) {
  const milliseconds timeout(300);
  const auto started = Clock::now();
  NewsHelperProcess helper(GetParam().helper, GetParam().how, timeout);
  EXPECT_EQ(helper.TakeAnswer(), GetParam().answer);
  const auto took = Clock::now() - started;
  EXPECT_EQ(ChildProcessCount(), 0) << "a helper outlived its answer";
  EXPECT_LT(took, timeout + kHelperMargin + kSlack);
  if (GetParam().ends_by_the_clock) {
    EXPECT_GE(took, timeout + kHelperMargin);
  } else {
    EXPECT_LT(took, timeout);
  }
  EXPECT_EQ(helper.TakeAnswer(), std::nullopt) << "answers once";
}

INSTANTIATE_TEST_SUITE_P(
    Helpers, NewsHelperProcessTest,
    ::testing::Values(HelperCase{"document", "document", kVersion2, false},
                      HelperCase{"closes its pipe and stays", "closes and stays", kVersion2, false},
                      HelperCase{"garbage", "garbage", std::nullopt, false},
                      HelperCase{"truncated frame", "truncated", std::nullopt, false},
                      HelperCase{"a byte past the frame", "trailing byte", std::nullopt, false},
                      HelperCase{"oversized frame", "oversized", std::nullopt, false},
                      HelperCase{"dies halfway", "dies halfway", std::nullopt, false},
                      HelperCase{"ends without a word", "nothing", std::nullopt, false},
                      HelperCase{"silent", "silent", std::nullopt, true},
                      HelperCase{"missing", "document", std::nullopt, false,
                                 "/nonexistent/voltarik-news"},
                      HelperCase{"no path", "document", std::nullopt, false, ""}),
    [](const auto& info) { return Slug(info.param.name); });

std::optional<char> ProcessState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  return line.at(line.rfind(')') + 2);
}

TEST(NewsHelperProcessTest, HelperDiesWithTheProcessThatStartedIt) {
  std::array<int, 2> ends{};
  ASSERT_EQ(pipe(ends.data()), 0);
  const pid_t starter = fork();
  if (starter == 0) {
    const NewsHelperProcess helper(VOLTARIK_FAKE_NEWS_HELPER, "silent", milliseconds(3000));
    std::ifstream children("/proc/self/task/" + std::to_string(gettid()) + "/children");
    pid_t helper_pid = 0;
    children >> helper_pid;
    if (write(ends[1], &helper_pid, sizeof helper_pid) < 0) _exit(1);
    raise(SIGKILL);  // no destructor runs: only the kernel can end the helper now
  }
  close(ends[1]);
  pid_t helper_pid = 0;
  ASSERT_EQ(read(ends[0], &helper_pid, sizeof helper_pid), ssize_t{sizeof helper_pid});
  close(ends[0]);
  waitpid(starter, nullptr, 0);
  ASSERT_GT(helper_pid, 0);
  const auto limit = Clock::now() + milliseconds(1000);
  std::optional<char> state = ProcessState(helper_pid);
  while (state && state != 'Z' && Clock::now() < limit) {
    std::this_thread::sleep_for(milliseconds(5));
    state = ProcessState(helper_pid);
  }
  EXPECT_TRUE(!state || state == 'Z') << "the helper still runs, state " << *state;
}

// A program started with its standard descriptors closed gets the pipe and /dev/null among
// them; the helper still answers on its standard output.
TEST(NewsHelperProcessTest, AnswersWhenTheProgramHasNoStandardDescriptors) {
  const pid_t child = fork();
  if (child == 0) {
    close_range(0, 2, 0);
    NewsHelperProcess helper(VOLTARIK_FAKE_NEWS_HELPER, "document", milliseconds(1000));
    _exit(helper.TakeAnswer() == kVersion2 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

bool LandlockOffered() {
  return syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U /* version */) >= 1;
}

// A file of the test process's own, which the sandboxed child must leave as it is. Named once, in
// the test process, before the child is forked.
const char* ProbeFile() {
  static const std::string name = "sandbox-probe-" + std::to_string(getpid()) + ".txt";
  return name.c_str();
}

struct SandboxCase {
  const char* name;
  std::function<int()> attempt;  // returns 0 on success, else errno
  int refused_with;              // 0: allowed
  bool only_with_landlock = false;
  friend void PrintTo(const SandboxCase& row, std::ostream* out) { *out << row.name; }
};

int ErrnoOf(long result) { return result < 0 ? errno : 0; }

class NewsSandboxTest : public ::testing::TestWithParam<SandboxCase> {};

// Each attempt runs in a child that has entered the sandbox; its exit status is the errno.
TEST_P(NewsSandboxTest, RefusesWhatTheTransferDoesNotNeed) {
  if (GetParam().only_with_landlock && !LandlockOffered()) GTEST_SKIP() << "no Landlock here";
  std::ofstream(ProbeFile()) << "probe";
  const pid_t child = fork();
  if (child == 0) _exit(EnterNewsSandbox() ? GetParam().attempt() : 200);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), GetParam().refused_with);
  std::ifstream probe(ProbeFile());
  std::string contents;
  probe >> contents;
  EXPECT_EQ(contents, "probe");
  unlink(ProbeFile());
}

INSTANTIATE_TEST_SUITE_P(
    Attempts, NewsSandboxTest,
    ::testing::Values(
        SandboxCase{"file opened for writing",
                    [] { return ErrnoOf(open(ProbeFile(), O_WRONLY | O_TRUNC)); }, EPERM},
        SandboxCase{"file opened for appending",
                    [] { return ErrnoOf(open(ProbeFile(), O_RDWR | O_APPEND)); }, EPERM},
        SandboxCase{"file made",
                    [] { return ErrnoOf(open("sandbox-new.txt", O_RDONLY | O_CREAT, 0600)); },
                    EPERM},
        SandboxCase{"folder made", [] { return ErrnoOf(mkdir("sandbox-new", 0700)); }, EPERM},
        SandboxCase{"file removed", [] { return ErrnoOf(unlink(ProbeFile())); }, EPERM},
        SandboxCase{"program started",
                    [] {
                      char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
                      return ErrnoOf(execve("/bin/true", argv, nullptr));
                    },
                    EPERM},
        SandboxCase{"process forked", [] { return ErrnoOf(fork()); }, EPERM},
        SandboxCase{"traced", [] { return ErrnoOf(ptrace(PTRACE_TRACEME, 0, nullptr, nullptr)); },
                    EPERM},
        SandboxCase{"another process signalled", [] { return ErrnoOf(kill(getppid(), 0)); }, EPERM},
        SandboxCase{"local socket", [] { return ErrnoOf(socket(AF_UNIX, SOCK_STREAM, 0)); }, EPERM},
        SandboxCase{"unexpected system call",
                    [] {
                      std::array<char, 256> folder{};
                      return ErrnoOf(syscall(SYS_getcwd, folder.data(), folder.size()));
                    },
                    EPERM},
        SandboxCase{"file outside name lookup read",
                    [] { return ErrnoOf(open("/etc/passwd", O_RDONLY)); }, EACCES, true},
        SandboxCase{"name lookup's files read",
                    [] { return ErrnoOf(open("/etc/hosts", O_RDONLY)); }, 0},
        SandboxCase{"internet socket", [] { return ErrnoOf(socket(AF_INET, SOCK_STREAM, 0)); }, 0},
        SandboxCase{"ipv6 socket", [] { return ErrnoOf(socket(AF_INET6, SOCK_DGRAM, 0)); }, 0},
        SandboxCase{"routing socket",
                    [] { return ErrnoOf(socket(AF_NETLINK, SOCK_RAW, NETLINK_ROUTE)); }, 0},
        SandboxCase{"unnamed local pair",
                    [] {
                      std::array<int, 2> pair{};
                      return ErrnoOf(socketpair(AF_UNIX, SOCK_STREAM, 0, pair.data()));
                    },
                    0},
        SandboxCase{"bytes waiting on a socket counted",
                    [] {
                      int waiting = -1;
                      return ErrnoOf(ioctl(socket(AF_INET, SOCK_DGRAM, 0), FIONREAD, &waiting));
                    },
                    0},
        SandboxCase{"other device control",
                    [] {
                      int blocking = 1;
                      return ErrnoOf(ioctl(socket(AF_INET, SOCK_DGRAM, 0), FIONBIO, &blocking));
                    },
                    EPERM},
        SandboxCase{"event counter made", [] { return ErrnoOf(eventfd(0, EFD_CLOEXEC)); }, 0},
        SandboxCase{"thread started",
                    [] {
                      int ran = 0;
                      std::thread([&ran] { ran = 1; }).join();
                      return ran == 1 ? 0 : 1;
                    },
                    0}),
    [](const auto& info) { return Slug(info.param.name); });

}  // namespace
}  // namespace testing
}  // namespace voltarik
