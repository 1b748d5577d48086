// The news helper's pipe and sandbox, without Qt: the frame both ends speak, the window's side
// against helpers that misbehave, and the sandbox tried from inside.
#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <netinet/in.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "news/helper/curl_http_get.h"
#include "news/helper/file_view.h"
#include "news/helper/landlock.h"
#include "news/helper/news_sandbox.h"
#include "news/helper/trust_store.h"
#include "news/news_frame.h"
#include "news/news_helper_process.h"
#include "tests/hide_landlock.h"
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

int ErrnoOf(long result) { return result < 0 ? errno : 0; }

// What `child` returns, run in a process of its own: its exit status; -1 when it did not exit.
int InChild(const std::function<int()>& child) {
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

using Ports = std::vector<std::uint16_t>;

struct PortsCase {
  const char* name;
  const char* address;
  Ports ports;
  const char* variable = "";  // of the environment, and its value
  const char* value = nullptr;
  friend void PrintTo(const PortsCase& row, std::ostream* out) { *out << row.name; }
};

class NewsConnectPortsTest : public ::testing::TestWithParam<PortsCase> {};

TEST_P(NewsConnectPortsTest, NamesThePortsOfTheAddressRedirectsNameLookupAndProxies) {
  EXPECT_EQ(NewsConnectPorts(GetParam().address,
                             [](const char* name) -> const char* {
                               return std::string_view(name) == GetParam().variable
                                          ? GetParam().value
                                          : nullptr;
                             }),
            GetParam().ports);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, NewsConnectPortsTest,
    ::testing::Values(
        PortsCase{"no port", "news.example/voltarik.txt", Ports{53, 80, 443}},
        PortsCase{"a port", "127.0.0.1:8080/voltarik.txt", Ports{53, 80, 443, 8080}},
        PortsCase{"ipv6 address and port", "[::1]:8081/x", Ports{53, 80, 443, 8081}},
        PortsCase{"https address and port", "https://h:8443/x", Ports{53, 80, 443, 8443}},
        PortsCase{"http proxy", "h/x", Ports{53, 80, 443, 3128}, "http_proxy", "http://proxy:3128"},
        PortsCase{"proxy for https", "h/x", Ports{53, 80, 443, 3129}, "https_proxy", "p:3129"},
        PortsCase{"capital proxy for https", "h/x", Ports{53, 80, 443, 3130}, "HTTPS_PROXY",
                  "http://p:3130"},
        PortsCase{"proxy without scheme or port", "h/x", Ports{53, 80, 443, 1080}, "all_proxy",
                  "proxy"},
        PortsCase{"https proxy without port", "h:8080/x", Ports{53, 80, 443, 8080}, "ALL_PROXY",
                  "https://proxy"},
        PortsCase{"socks proxy", "h/x", Ports{53, 80, 443, 9050}, "all_proxy", "socks5h://p:9050"},
        PortsCase{"capital HTTP_PROXY, which libcurl ignores", "h/x", Ports{53, 80, 443},
                  "HTTP_PROXY", "http://p:3128"},
        PortsCase{"proxy no one can parse", "h/x", Ports{53, 80, 443}, "http_proxy", "http://[p"}),
    [](const auto& info) { return Slug(info.param.name); });

struct TrustStoreCase {
  const char* name;
  // SSL_CERT_FILE and SSL_CERT_DIR, nullptr when unset; "@" stands for the test's folder below.
  const char* cert_file;
  const char* cert_dir;
  const char* bundle;              // the file of the folder read as the bundle, if any
  const char* folders;             // nullptr: OpenSSL's own hashed folder
  const char* folder_certificate;  // nullptr: one of OpenSSL's own folder
  friend void PrintTo(const TrustStoreCase& row, std::ostream* out) { *out << row.name; }
};

class PrepareTlsTest : public ::testing::TestWithParam<TrustStoreCase> {};

// As OpenSSL takes its variables: SSL_CERT_FILE's bundle beside the hashed folder, SSL_CERT_DIR's
// folders in place of OpenSSL's own. Only a regular file of at most the limit is a bundle.
TEST_P(PrepareTlsTest, FindsTheTrustStoreAsOpenSslDoes) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("voltarik-trust-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "folder");
  std::filesystem::create_directories(folder / "hashed");
  std::ofstream(folder / "hashed" / "0123abcd.pem") << "not hashed";
  std::ofstream(folder / "hashed" / "0123abcd.0") << "hashed";
  std::ofstream(folder / "bundle") << "bundle";
  std::ofstream(folder / "largest") << std::string(kMaxTrustStoreBytes, 'x');
  std::ofstream(folder / "too big") << std::string(kMaxTrustStoreBytes + 1, 'x');
  const auto in_folder = [&](std::string text) {
    for (std::size_t at; (at = text.find('@')) != std::string::npos;) {
      text.replace(at, 1, folder.string());
    }
    return text;
  };
  const TrustStoreCase& row = GetParam();
  const std::string file = row.cert_file ? in_folder(row.cert_file) : "";
  const std::string dir = row.cert_dir ? in_folder(row.cert_dir) : "";
  const std::optional<TrustStore> store = PrepareTls([&](const char* name) -> const char* {
    const bool is_file = std::string_view(name) == "SSL_CERT_FILE";
    return (is_file ? row.cert_file : row.cert_dir) ? (is_file ? file : dir).c_str() : nullptr;
  });
  ASSERT_TRUE(store);
  EXPECT_EQ(store->bundle, row.bundle ? ReadBundle(folder / row.bundle).value() : std::string());
  const std::string system_folder = X509_get_default_cert_dir();
  EXPECT_EQ(store->folders, row.folders ? in_folder(row.folders) : system_folder);
  if (row.folder_certificate) {
    EXPECT_EQ(store->folder_certificate, in_folder(row.folder_certificate));
  } else {
    EXPECT_TRUE(store->folder_certificate.starts_with(system_folder + "/") &&
                store->folder_certificate.ends_with(".0"))
        << store->folder_certificate;
  }
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, PrepareTlsTest,
    ::testing::Values(
        TrustStoreCase{"the system's folder alone", nullptr, nullptr, nullptr, nullptr, nullptr},
        TrustStoreCase{"empty variables are unset", "", "", nullptr, nullptr, nullptr},
        TrustStoreCase{"a bundle beside the system's folder", "@/bundle", nullptr, "bundle",
                       nullptr, nullptr},
        TrustStoreCase{"folders in place of the system's, the first certificate of them named",
                       nullptr, "@/missing:@/folder:@/hashed", nullptr,
                       "@/missing:@/folder:@/hashed", "@/hashed/0123abcd.0"},
        TrustStoreCase{"folders without certificates", nullptr, "@/folder", nullptr, "@/folder",
                       ""},
        TrustStoreCase{"a bundle of the largest size read whole", "@/largest", nullptr, "largest",
                       nullptr, nullptr},
        TrustStoreCase{"a bundle over the size no bundle", "@/too big", nullptr, nullptr, nullptr,
                       nullptr},
        TrustStoreCase{"a folder no bundle", "@/folder", nullptr, nullptr, nullptr, nullptr}),
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

// A TCP port on loopback that takes connections into its backlog and never answers.
class SilentListener {
 public:
  SilentListener() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { close(fd_); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  std::uint16_t port() const { return port_; }
  // Waits until a connection waits to be taken; false if none came within `limit`.
  bool WaitForConnection(milliseconds limit) const {
    pollfd waiting{fd_, POLLIN, 0};
    return poll(&waiting, 1, static_cast<int>(limit.count())) == 1;
  }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

TEST(NewsHelperProcessTest, HelperDiesWithTheProcessThatStartedIt) {
  const SilentListener server;
  const std::string address = "127.0.0.1:" + std::to_string(server.port()) + "/voltarik.txt";
  std::array<int, 2> ends{};
  ASSERT_EQ(pipe(ends.data()), 0);
  const pid_t starter = fork();
  if (starter == 0) {
    const NewsHelperProcess helper(VOLTARIK_NEWS_HELPER, address, milliseconds(3000));
    std::ifstream children("/proc/self/task/" + std::to_string(gettid()) + "/children");
    pid_t helper_pid = 0;
    children >> helper_pid;
    // The helper asks to die with its parent before it connects.
    if (!server.WaitForConnection(milliseconds(3000)) ||
        write(ends[1], &helper_pid, sizeof helper_pid) < 0) {
      _exit(1);
    }
    raise(SIGKILL);  // no destructor runs: only the kernel can end the helper now
  }
  close(ends[1]);
  pid_t helper_pid = 0;
  ASSERT_EQ(read(ends[0], &helper_pid, sizeof helper_pid), ssize_t{sizeof helper_pid});
  close(ends[0]);
  // Readable once the helper has ended; a helper already gone and reaped has no such descriptor.
  const int helper = static_cast<int>(syscall(SYS_pidfd_open, helper_pid, 0));
  waitpid(starter, nullptr, 0);
  pollfd ended{helper, POLLIN, 0};
  EXPECT_TRUE(helper < 0 ? errno == ESRCH : poll(&ended, 1, 1000) == 1) << "the helper runs on";
  if (helper >= 0) close(helper);
}

// A program started with its standard descriptors closed gets the pipe and /dev/null among
// them; the helper still answers on its standard output.
TEST(NewsHelperProcessTest, AnswersWhenTheProgramHasNoStandardDescriptors) {
  EXPECT_EQ(InChild([] {
              close_range(0, 2, 0);
              NewsHelperProcess helper(VOLTARIK_FAKE_NEWS_HELPER, "document", milliseconds(1000));
              return helper.TakeAnswer() == kVersion2 ? 0 : 1;
            }),
            0);
}

// The helper ends without a word when the process named as its parent is not its parent: that
// one has died before the helper could ask to die with it.
TEST(NewsHelperTest, EndsWithoutAWordWhenItsParentIsAnotherProcess) {
  const std::string command = std::string(VOLTARIK_NEWS_HELPER) + " 127.0.0.1:9/voltarik.txt 100 1";
  FILE* helper = popen(command.c_str(), "r");
  ASSERT_NE(helper, nullptr);
  std::array<char, 64> frame{};
  EXPECT_EQ(std::fread(frame.data(), 1, frame.size(), helper), 0U);
  EXPECT_NE(pclose(helper), 0);
}

long LandlockAbi() {
  return std::max(syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U /* version */), 0L);
}

// Whether this process may make a user namespace: not in a chroot, nor where the system forbids
// it to the user.
bool UserNamespacesOffered() {
  return InChild([] { return ErrnoOf(unshare(CLONE_NEWUSER)); }) == 0;
}

// The ports a test sandbox may connect to.
const SilentListener& PortAFetchNeeds() {
  static const SilentListener listener;
  return listener;
}
const SilentListener& OtherPort() {
  static const SilentListener listener;
  return listener;
}

// A file of the test process's own, which the sandboxed child must leave as it is. Named once, in
// the test process, before the child is forked.
const char* ProbeFile() {
  static const std::string name = "sandbox-probe-" + std::to_string(getpid()) + ".txt";
  return name.c_str();
}

// A bundle of trusted certificates the test names in SSL_CERT_FILE: read before the sandbox, and
// never inside it.
const char* BundleFile() {
  static const std::string name = "sandbox-bundle-" + std::to_string(getpid()) + ".pem";
  return name.c_str();
}

// A certificate of OpenSSL's hashed folder, by the name OpenSSL looks for: found in the test
// process, before the child is forked.
const std::string& HashedCertificate() {
  static const std::string path = [] {
    for (const auto& entry : std::filesystem::directory_iterator(X509_get_default_cert_dir())) {
      if (entry.path().extension() == ".0") return entry.path().string();
    }
    return std::string();
  }();
  return path;
}

// The test process, the sandboxed child's parent: named before the child is forked, since the
// sandbox does not let it ask.
const pid_t kTestProcess = getpid();

int ConnectTo(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ErrnoOf(connect(socket(AF_INET, SOCK_STREAM, 0), reinterpret_cast<sockaddr*>(&address),
                         sizeof address));
}

int SocketOf(int family, int type, int protocol) { return ErrnoOf(socket(family, type, protocol)); }

int Fcntl(int command, long argument) {
  std::array<int, 2> pair{};
  if (pipe(pair.data()) != 0) return -1;
  return ErrnoOf(fcntl(pair[0], command, argument));
}

constexpr int kSame = -1;
// The child's exit status when it could not enter the sandbox.
constexpr int kNotEntered = 200;

struct SandboxCase {
  const char* name;
  std::function<int()> attempt;  // returns 0 on success, else errno
  int refused_with;              // 0: allowed
  // Where Landlock is missing, or older than `landlock_abi`, the file view or nothing refuses.
  int without_landlock = kSame;
  long landlock_abi = 0;
  friend void PrintTo(const SandboxCase& row, std::ostream* out) { *out << row.name; }
};

enum class Kernel { kAsItIs, kWithoutLandlock };

class NewsSandboxTest : public ::testing::TestWithParam<std::tuple<SandboxCase, Kernel>> {};

// Each attempt runs in a child that has entered the sandbox; its exit status is the errno. Every
// row runs on this kernel, and again with Landlock hidden from the child.
TEST_P(NewsSandboxTest, RefusesWhatTheTransferDoesNotNeed) {
  const auto& [row, kernel] = GetParam();
  const long abi = kernel == Kernel::kAsItIs ? LandlockAbi() : 0;
  if (abi == 0 && !UserNamespacesOffered()) {
    GTEST_SKIP() << "neither Landlock nor user namespaces here: the helper does not enter its "
                    "sandbox at all (NewsSandboxWithoutFileLayerTest)";
  }
  const int expected = row.landlock_abi == 0 || abi >= row.landlock_abi ? row.refused_with
                       : row.without_landlock == kSame                  ? row.refused_with
                                                                        : row.without_landlock;
  const std::array<std::uint16_t, 1> ports = {PortAFetchNeeds().port()};
  std::ignore = OtherPort();
  std::ignore = HashedCertificate();
  std::ofstream(ProbeFile()) << "probe";
  std::ofstream(BundleFile()) << "bundle";
  EXPECT_EQ(InChild([&] {
              if (kernel == Kernel::kWithoutLandlock && !HideLandlock(true)) return 201;
              // Prepared for TLS as the helper is, with a bundle of its own, so that what it reads
              // or opens for TLS is probed too.
              setenv("SSL_CERT_FILE", BundleFile(), 1);
              const std::optional<TrustStore> trust_store =
                  curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? PrepareTls(std::getenv)
                                                                    : std::nullopt;
              if (!trust_store || trust_store->bundle != "bundle") return 202;
              return EnterNewsSandbox(ports, trust_store->folders) ? row.attempt() : kNotEntered;
            }),
            expected);
  std::ifstream probe(ProbeFile());
  std::string contents;
  probe >> contents;
  EXPECT_EQ(contents, "probe");
  unlink(ProbeFile());
  unlink(BundleFile());
}

const SandboxCase kAttempts[] = {
    {"file opened for writing", [] { return ErrnoOf(open(ProbeFile(), O_WRONLY | O_TRUNC)); },
     EPERM},
    {"file opened for appending", [] { return ErrnoOf(open(ProbeFile(), O_RDWR | O_APPEND)); },
     EPERM},
    {"file made", [] { return ErrnoOf(open("sandbox-new.txt", O_RDONLY | O_CREAT, 0600)); }, EPERM},
    {"folder made", [] { return ErrnoOf(mkdir("sandbox-new", 0700)); }, EPERM},
    {"file removed", [] { return ErrnoOf(unlink(ProbeFile())); }, EPERM},
    {"program started",
     [] {
       char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
       return ErrnoOf(execve("/bin/true", argv, nullptr));
     },
     EPERM},
    {"process forked", [] { return ErrnoOf(fork()); }, EPERM},
    {"traced", [] { return ErrnoOf(ptrace(PTRACE_TRACEME, 0, nullptr, nullptr)); }, EPERM},
    {"another process signalled", [] { return ErrnoOf(kill(kTestProcess, 0)); }, EPERM},
    {"another process's limits read",
     [] {
       rlimit limit{};
       return ErrnoOf(prlimit(kTestProcess, RLIMIT_CPU, nullptr, &limit));
     },
     EPERM},
    {"own limits read",
     [] {
       rlimit limit{};
       return ErrnoOf(prlimit(0, RLIMIT_NOFILE, nullptr, &limit));
     },
     0},
    {"signal owner of a descriptor set", [] { return Fcntl(F_SETOWN, kTestProcess); }, EPERM},
    {"signal of a descriptor chosen", [] { return Fcntl(F_SETSIG, SIGKILL); }, EPERM},
    {"signals for a descriptor asked for", [] { return Fcntl(F_SETFL, O_ASYNC | O_NONBLOCK); },
     EPERM},
    {"descriptor made non-blocking", [] { return Fcntl(F_SETFL, O_NONBLOCK); }, 0},
    {"own descriptor flags read and set",
     [] {
       for (const auto& [command, argument] :
            {std::pair{F_GETFD, 0L}, std::pair{F_SETFD, 1L}, std::pair{F_GETFL, 0L}}) {
         if (const int refused = Fcntl(command, argument)) return refused;
       }
       return 0;
     },
     0},
    {"local socket", [] { return SocketOf(AF_UNIX, SOCK_STREAM, 0); }, EPERM},
    {"unexpected system call",
     [] {
       std::array<char, 256> folder{};
       return ErrnoOf(syscall(SYS_getcwd, folder.data(), folder.size()));
     },
     EPERM},
    {"file outside name lookup read", [] { return ErrnoOf(open("/etc/passwd", O_RDONLY)); }, EACCES,
     ENOENT, 1},
    {"another process's memory read",
     [] {
       return ErrnoOf(open(("/proc/" + std::to_string(kTestProcess) + "/mem").c_str(), O_RDONLY));
     },
     EACCES, ENOENT, 1},
    {"the bundle SSL_CERT_FILE names read", [] { return ErrnoOf(open(BundleFile(), O_RDONLY)); },
     EACCES, ENOENT, 1},
    {"a certificate of the hashed folder read, through its links",
     [] { return ErrnoOf(open(HashedCertificate().c_str(), O_RDONLY)); }, 0},
    {"anything else of the certificates' configuration read",
     [] { return ErrnoOf(open("/etc/ssl/openssl.cnf", O_RDONLY)); }, EACCES, ENOENT, 1},
    {"name lookup's files read", [] { return ErrnoOf(open("/etc/hosts", O_RDONLY)); }, 0},
    {"the library folders read", [] { return ErrnoOf(open("/usr/lib/os-release", O_RDONLY)); }, 0},
    {"ipv6 socket", [] { return SocketOf(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP); }, 0},
    {"raw socket", [] { return SocketOf(AF_INET, SOCK_RAW, IPPROTO_ICMP); }, EPERM},
    {"ping socket", [] { return SocketOf(AF_INET6, SOCK_DGRAM, IPPROTO_ICMPV6); }, EPERM},
    {"routing socket", [] { return SocketOf(AF_NETLINK, SOCK_RAW, NETLINK_ROUTE); }, 0},
    {"socket diagnostics", [] { return SocketOf(AF_NETLINK, SOCK_RAW, NETLINK_SOCK_DIAG); }, EPERM},
    {"device events", [] { return SocketOf(AF_NETLINK, SOCK_DGRAM, NETLINK_KOBJECT_UEVENT); },
     EPERM},
    {"generic netlink", [] { return SocketOf(AF_NETLINK, SOCK_RAW, NETLINK_GENERIC); }, EPERM},
    {"unnamed local pair",
     [] {
       std::array<int, 2> pair{};
       return ErrnoOf(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair.data()));
     },
     0},
    {"unnamed local datagram pair",
     [] {
       std::array<int, 2> pair{};
       return ErrnoOf(socketpair(AF_UNIX, SOCK_DGRAM, 0, pair.data()));
     },
     EPERM},
    {"connection to a port a fetch needs", [] { return ConnectTo(PortAFetchNeeds().port()); }, 0},
    {"connection to another port", [] { return ConnectTo(OtherPort().port()); }, EACCES, 0, 4},
    // Held by a program started as root: a capability no one else has.
    {"socket marked for routing",
     [] {
       const int mark = 1;
       return ErrnoOf(
           setsockopt(socket(AF_INET, SOCK_DGRAM, 0), SOL_SOCKET, SO_MARK, &mark, sizeof mark));
     },
     EPERM},
    {"bytes waiting on a socket counted",
     [] {
       int waiting = -1;
       return ErrnoOf(ioctl(socket(AF_INET, SOCK_DGRAM, 0), FIONREAD, &waiting));
     },
     0},
    {"other device control",
     [] {
       int blocking = 1;
       return ErrnoOf(ioctl(socket(AF_INET, SOCK_DGRAM, 0), FIONBIO, &blocking));
     },
     EPERM},
    {"event counter made", [] { return ErrnoOf(eventfd(0, EFD_CLOEXEC)); }, 0},
    {"thread started",
     [] {
       int ran = 0;
       std::thread([&ran] { ran = 1; }).join();
       return ran == 1 ? 0 : 1;
     },
     0}};

INSTANTIATE_TEST_SUITE_P(
    Attempts, NewsSandboxTest,
    ::testing::Combine(::testing::ValuesIn(kAttempts),
                       ::testing::Values(Kernel::kAsItIs, Kernel::kWithoutLandlock)),
    [](const auto& info) {
      return Slug(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == Kernel::kAsItIs ? "" : "_without_Landlock");
    });

struct NoFileLayerCase {
  const char* name;
  bool user_namespaces;
  int landlock_error;  // 0: Landlock as the kernel has it
  const char* certificate_folders = X509_get_default_cert_dir();
  friend void PrintTo(const NoFileLayerCase& row, std::ostream* out) { *out << row.name; }
};

class NewsSandboxWithoutFileLayerTest : public ::testing::TestWithParam<NoFileLayerCase> {};

// Where nothing keeps the helper from reading the user's files, or what it may read cannot be
// told, it refuses to go on.
TEST_P(NewsSandboxWithoutFileLayerTest, IsNotEntered) {
  EXPECT_EQ(
      InChild([this] {
        const NoFileLayerCase& row = GetParam();
        if (row.landlock_error != 0 && !HideLandlock(row.user_namespaces, row.landlock_error)) {
          return 201;
        }
        return EnterNewsSandbox({}, row.certificate_folders) ? 0 : kNotEntered;
      }),
      kNotEntered);
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, NewsSandboxWithoutFileLayerTest,
    ::testing::Values(NoFileLayerCase{"neither Landlock nor user namespaces", false, ENOSYS},
                      // A failing layer is no reason to try a weaker one.
                      NoFileLayerCase{"Landlock there but failing", true, EPERM},
                      // Only "no such file" makes a folder absent.
                      NoFileLayerCase{"a certificate folder that cannot be looked at", true, 0,
                                      "/etc/hosts/certs"}),
    [](const auto& info) { return Slug(info.param.name); });

enum class FileLayer { kLandlock, kView };

// A file of the test's own under /tmp, where the view makes its root.
const std::string& FileUnderTmp() {
  static const std::string name = "/tmp/voltarik-view-" + std::to_string(getpid()) + ".txt";
  return name;
}

struct FileLayerCase {
  const char* name;
  FileLayer layer;
  std::vector<std::string> readable;
  std::function<int()> attempt;  // once the layer is in place: 0 on success, else errno
  int result;                    // kNotEntered: the layer is not put in place
  friend void PrintTo(const FileLayerCase& row, std::ostream* out) { *out << row.name; }
};

class FileLayerTest : public ::testing::TestWithParam<FileLayerCase> {};

// Each file layer by itself: only "no such file" makes a path absent, and the view shows what it
// shows read-only, wherever it is.
TEST_P(FileLayerTest, ShowsWhatItMayReadAndFailsOnWhatItCannotLookAt) {
  const FileLayerCase& row = GetParam();
  if (row.layer == FileLayer::kLandlock && LandlockAbi() == 0) {
    GTEST_SKIP() << "no Landlock here";
  }
  if (row.layer == FileLayer::kView && !UserNamespacesOffered()) {
    GTEST_SKIP() << "no user namespaces here";
  }
  std::ofstream(FileUnderTmp()) << "view";
  EXPECT_EQ(InChild([&] {
              const bool in_place =
                  row.layer == FileLayer::kLandlock
                      ? RestrictWithLandlock(row.readable, {}) == Landlock::kInForce
                      : EnterFileView(row.readable);
              return in_place ? row.attempt() : kNotEntered;
            }),
            row.result);
  unlink(FileUnderTmp().c_str());
}

int OpenHosts() { return ErrnoOf(open("/etc/hosts", O_RDONLY)); }

INSTANTIATE_TEST_SUITE_P(
    Layers, FileLayerTest,
    ::testing::Values(FileLayerCase{"Landlock fails on what it cannot look at",
                                    FileLayer::kLandlock,
                                    {"/etc/hosts/x", "/etc/hosts"},
                                    OpenHosts,
                                    kNotEntered},
                      FileLayerCase{"the view fails on what it cannot look at",
                                    FileLayer::kView,
                                    {"/etc/hosts/x", "/etc/hosts"},
                                    OpenHosts,
                                    kNotEntered},
                      FileLayerCase{"the view shows a file under tmp read-only",
                                    FileLayer::kView,
                                    {FileUnderTmp()},
                                    [] { return ErrnoOf(open(FileUnderTmp().c_str(), O_WRONLY)); },
                                    EROFS},
                      FileLayerCase{"the view shows a folder read-only",
                                    FileLayer::kView,
                                    {"/etc"},
                                    [] { return ErrnoOf(open("/etc/hosts", O_WRONLY)); },
                                    EROFS}),
    [](const auto& info) { return Slug(info.param.name); });

// Not dumpable: a process of the same user, without privileges, can neither read the helper's
// memory nor trace it. Run as an ordinary user (nobody), since root may do both anyway.
TEST(NewsSandboxTest, MemoryIsNotReadableByTheUsersOtherProcesses) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  EXPECT_EQ(InChild([] {
              constexpr uid_t kNobody = 65534;
              std::array<int, 2> entered{};
              if (setresgid(kNobody, kNobody, kNobody) != 0 ||
                  setresuid(kNobody, kNobody, kNobody) != 0 ||
                  prctl(PR_SET_DUMPABLE, 1, 0, 0, 0) != 0 || pipe(entered.data()) != 0) {
                return 202;
              }
              const pid_t sandboxed = fork();
              if (sandboxed == 0) {
                // On standard output: the sandbox closes every descriptor past the standard three.
                const char done = dup2(entered[1], STDOUT_FILENO) >= 0 &&
                                  EnterNewsSandbox({}, X509_get_default_cert_dir());
                if (write(STDOUT_FILENO, &done, 1) == 1) pause();
                _exit(1);
              }
              close(entered[1]);
              char done = 0;
              const bool in_sandbox = read(entered[0], &done, 1) == 1 && done == 1;
              const int refused =
                  ErrnoOf(open(("/proc/" + std::to_string(sandboxed) + "/mem").c_str(), O_RDONLY));
              kill(sandboxed, SIGKILL);
              return in_sandbox ? refused : 204;
            }),
            EACCES);
}

}  // namespace
}  // namespace testing
}  // namespace voltarik
