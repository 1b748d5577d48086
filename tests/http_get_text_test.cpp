// The HTTP fetch through the news helper against servers that misbehave: it returns within its
// bound, closes its connection, leaves no process behind, and the size limits end a flood long
// before the clock does.
#include <gtest/gtest.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "news/early_news_fetch.h"
#include "tests/compressed.h"
#include "tests/loopback_http_server.h"
#include "tests/qt_printers.h"
#include "tests/test_certificates.h"
#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Room for a loaded machine in every timing assertion.
constexpr milliseconds kMargin{400};

// The document at `address` through the helper; "/voltarik.txt" on `server` by default.
std::optional<QString> Fetch(const std::string& address, milliseconds timeout = kNewsTimeout) {
  return HelperHttpGetText(VOLTARIK_NEWS_HELPER, QString::fromStdString(address), timeout);
}
std::optional<QString> Fetch(const LoopbackHttpServer& server,
                             milliseconds timeout = kNewsTimeout) {
  return Fetch(server.Authority() + "/voltarik.txt", timeout);
}

enum class Ends { ByTheClock, BeforeTheClock };

struct HostileCase {
  const char* name;
  ScriptedReply reply;
  Ends ends;
  // Over TLS the reply comes as soon as the connection is made, where a TLS server would answer
  // the client's hello.
  bool over_tls = false;
  friend void PrintTo(const HostileCase& row, std::ostream* out) { *out << row.name; }
};

class HostileServerTest : public ::testing::TestWithParam<HostileCase> {};

// A row the clock must end runs against a short deadline; a row a limit must end gets the real
// deadline and must end long before it. The real deadline's own wait is tested once, below.
TEST_P(HostileServerTest, FailsInTimeAndLeavesNothingOpen) {
  const milliseconds timeout =
      GetParam().ends == Ends::ByTheClock ? milliseconds(300) : kNewsTimeout;
  LoopbackHttpServer server;
  if (GetParam().over_tls) {
    server.ScriptOnConnect(GetParam().reply);
  } else {
    server.Script("/voltarik.txt", GetParam().reply);
  }
  const auto started = Clock::now();
  EXPECT_EQ(Fetch((GetParam().over_tls ? "https://" : "") + server.Authority() + "/voltarik.txt",
                  timeout),
            std::nullopt);
  const auto took = Clock::now() - started;
  EXPECT_TRUE(server.WaitUntilConnectionsClosed(kMargin)) << "the socket outlived the fetch";
  EXPECT_EQ(ChildProcessCount(), 0);
  EXPECT_LT(took, timeout + kMargin);
  if (GetParam().ends == Ends::ByTheClock) {
    EXPECT_GE(took, timeout);
  } else {
    EXPECT_LT(took, timeout / 2) << "a limit, not the clock, should end this one";
  }
}

const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
// The head of a TLS 1.2 handshake record of 16 KiB.
const std::string kHandshakeRecordHead("\x16\x03\x03\x40\x00", 5);

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        HostileCase{"silent", Silent(), Ends::ByTheClock},
        HostileCase{"status line then silence", HoldOpen("HTTP/1.1 200 OK\r\n"), Ends::ByTheClock},
        HostileCase{"headers dripping",
                    Drip("HTTP/1.1 200 OK\r\n", "X-Drip: 1\r\n", milliseconds(30)),
                    Ends::ByTheClock},
        HostileCase{
            "body dripping",
            Drip("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", "x", milliseconds(30)),
            Ends::ByTheClock},
        HostileCase{"headers flooding",
                    Flood("HTTP/1.1 200 OK\r\n", "X-Flood: " + std::string(1000, 'h') + "\r\n"),
                    Ends::BeforeTheClock},
        // The next line begun: libcurl 8.22 and later hold a header line until they know no
        // folded line continues it.
        HostileCase{"headers over the cap, then silence",
                    HoldOpen("HTTP/1.1 200 OK\r\n" + std::string(70, 'X') + ": " +
                             std::string(65 * 1024, 'h') + "\r\nX"),
                    Ends::BeforeTheClock},
        HostileCase{"one endless header line",
                    Flood("HTTP/1.1 200 OK\r\nX-Long: ", std::string(4096, 'h')),
                    Ends::BeforeTheClock},
        HostileCase{"chunked body flooding",
                    Flood(kChunkedHead, "1000\r\n" + std::string(0x1000, 'x') + "\r\n"),
                    Ends::BeforeTheClock},
        HostileCase{"http 1 0 body flooding",
                    Flood("HTTP/1.0 200 OK\r\n\r\n", std::string(4096, 'x')), Ends::BeforeTheClock},
        HostileCase{"declared length over the limit, then silence",
                    HoldOpen("HTTP/1.1 200 OK\r\nContent-Length: 1048577\r\n\r\n"),
                    Ends::BeforeTheClock},
        // Four times the limit, from a few kilobytes: quick enough to make as each process of
        // the suite starts.
        HostileCase{"gzip bomb",
                    HoldOpen("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" +
                             Gzip(std::string(size_t{4} * 1024 * 1024, '\0'))),
                    Ends::BeforeTheClock},
        HostileCase{"tls handshake never answered", Silent(), Ends::ByTheClock, true},
        HostileCase{"tls handshake trickling", Drip(kHandshakeRecordHead, "\x02", milliseconds(30)),
                    Ends::ByTheClock, true},
        HostileCase{"garbage instead of tls", AtOnce(Response("200 OK", "Novinky")),
                    Ends::BeforeTheClock, true},
        // A server hello that says it is 16 MiB long.
        HostileCase{"tls handshake of megabytes",
                    Flood(kHandshakeRecordHead + "\x02\xff\xff\xff", std::string(0x4000, 'h')),
                    Ends::BeforeTheClock, true}),
    [](const auto& info) { return Slug(info.param.name); });

// The real deadline: the program's fetch waits for a silent server the whole of it, and the
// window's side ends it a moment later.
TEST(HttpGetTextTest, SilentServerHoldsTheFetchForTheWholeBoundAndNoLonger) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", Silent());
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(server), std::nullopt);
  const auto took = Clock::now() - started;
  EXPECT_GE(took, kNewsTimeout);
  EXPECT_LT(took, kNewsTimeout + kMargin);
}

// One deadline for the whole fetch: a redirect answered late leaves the next hop only the rest.
TEST(HttpGetTextTest, LateRedirectLeavesTheNextHopOnlyTheTimeLeft) {
  const milliseconds timeout(500);
  LoopbackHttpServer server;
  server.Script(
      "/voltarik.txt",
      AtOnce(Response("302 Found", "", "Location: http://" + server.Authority() + "/x\r\n"),
             milliseconds(300)));
  server.Script("/x", Drip("HTTP/1.1 200 OK\r\n", "X-Drip: 1\r\n", milliseconds(30)));
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(server, timeout), std::nullopt);
  EXPECT_LT(Clock::now() - started, timeout + kHelperMargin)
      << "the next hop had a deadline of its own, and the window's side had to end the helper";
  EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/voltarik.txt", "/x"}));
  EXPECT_TRUE(server.WaitUntilConnectionsClosed(kMargin));
}

// A server that keeps the connection open for reuse still sees it closed when the fetch returns.
TEST(HttpGetTextTest, KeptAliveConnectionIsClosedWhenTheFetchReturns) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", HoldOpen("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nVerze 2"));
  EXPECT_EQ(Fetch(server), QStringLiteral("Verze 2"));
  EXPECT_TRUE(server.WaitUntilConnectionsClosed(kMargin));
}

TEST(HttpGetTextTest, AsksOnceWithItsNameOverPlainHttp) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", AtOnce(Response("200 OK", "ok")));
  EXPECT_EQ(Fetch(server), QStringLiteral("ok"));
  const std::vector<std::string> heads = server.RequestHeads();
  ASSERT_EQ(heads.size(), 1U);
  EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET /voltarik.txt HTTP/1.1");
  EXPECT_NE(heads[0].find("\r\nUser-Agent: Voltarik/" VOLTARIK_VERSION "\r\n"), std::string::npos)
      << heads[0];
}

TEST(HttpGetTextTest, RefusedConnectionFailsAtOnce) {
  std::string closed_authority;
  {
    const LoopbackHttpServer probe;
    closed_authority = probe.Authority();
  }
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(closed_authority + "/voltarik.txt"), std::nullopt);
  EXPECT_LT(Clock::now() - started, kMargin);
}

// Sets an environment variable for the life of a scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// An authority of the test's own, and a trust store for the helper that holds it, after another
// authority of the same name: the trusted one must be told apart by its key.
class TrustedAuthority {
 public:
  TrustedAuthority() {
    std::ofstream(path_) << TestAuthority().CertificatePem() << authority_.CertificatePem();
  }
  ~TrustedAuthority() { std::filesystem::remove(path_); }
  TrustedAuthority(const TrustedAuthority&) = delete;
  TrustedAuthority& operator=(const TrustedAuthority&) = delete;

  const TestAuthority& authority() const { return authority_; }
  const char* path() const { return path_.c_str(); }

 private:
  TestAuthority authority_;
  std::string path_ = (std::filesystem::temp_directory_path() /
                       ("voltarik-test-authority-" + std::to_string(getpid()) + ".pem"))
                          .string();
};

struct ProxyCase {
  const char* name;
  const char* variable;
  const char* address;
  const char* proxied;  // what the proxy is asked for
  ScriptedReply reply;
  std::optional<QString> news;
  const char* proxy_scheme = "http://";
  friend void PrintTo(const ProxyCase& row, std::ostream* out) { *out << row.name; }
};

class ProxyTest : public ::testing::TestWithParam<ProxyCase> {};

// An HTTPS hop goes through the proxy as a tunnel, asked for with CONNECT; this proxy refuses.
// An https:// proxy is spoken to over TLS and verified like a server.
TEST_P(ProxyTest, GoesThroughTheProxyTheEnvironmentNames) {
  const TrustedAuthority trusted;
  const ScopedEnvironment trust_store("SSL_CERT_FILE", trusted.path());
  LoopbackHttpServer proxy;
  proxy.ServeTls(trusted.authority().Issue("127.0.0.1"));
  proxy.Script(GetParam().proxied, GetParam().reply);
  const ScopedEnvironment variable(GetParam().variable,
                                   (GetParam().proxy_scheme + proxy.Authority()).c_str());
  const ScopedEnvironment no_proxy("no_proxy", nullptr);
  const ScopedEnvironment no_proxy_upper("NO_PROXY", nullptr);
  EXPECT_EQ(Fetch(GetParam().address), GetParam().news);
  EXPECT_EQ(proxy.RequestedPaths(), std::vector<std::string>{GetParam().proxied});
}

INSTANTIATE_TEST_SUITE_P(
    Variables, ProxyTest,
    ::testing::Values(
        ProxyCase{"http", "http_proxy", "news.example/voltarik.txt",
                  "http://news.example/voltarik.txt", AtOnce(Response("200 OK", "přes proxy")),
                  QStringLiteral("přes proxy")},
        ProxyCase{"https", "HTTPS_PROXY", "https://news.example/voltarik.txt", "news.example:443",
                  AtOnce(Response("403 Forbidden", "")), std::nullopt},
        ProxyCase{"http through an https proxy", "http_proxy", "news.example/voltarik.txt",
                  "http://news.example/voltarik.txt", AtOnce(Response("200 OK", "přes proxy")),
                  QStringLiteral("přes proxy"), "https://"}),
    [](const auto& info) { return Slug(info.param.name); });

// The helper starts with the object, before anyone asks: the server has the request first.
TEST(EarlyNewsFetchTest, HandsOverTheTransferStartedAtConstruction) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", AtOnce(Response("200 OK", "Verze 2")));
  const QString address = QString::fromStdString(server.Authority() + "/voltarik.txt");
  EarlyNewsFetch early(address, VOLTARIK_NEWS_HELPER);
  EXPECT_TRUE(server.WaitForRequests(1, kNewsTimeout));
  EXPECT_EQ(early.Take(address), QStringLiteral("Verze 2"));
  EXPECT_EQ(ChildProcessCount(), 0);
  // Once taken, or for another address, the fetch runs again.
  EXPECT_EQ(early.Take(address), QStringLiteral("Verze 2"));
  EXPECT_EQ(early.Take(QString::fromStdString(server.Authority() + "/jinde.txt")), std::nullopt);
  EXPECT_EQ(server.RequestedPaths(),
            (std::vector<std::string>{"/voltarik.txt", "/voltarik.txt", "/jinde.txt"}));
}

TEST(EarlyNewsFetchTest, EndsItsHelperWhenNeverAsked) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", Silent());
  {
    const EarlyNewsFetch early(QString::fromStdString(server.Authority() + "/voltarik.txt"),
                               VOLTARIK_NEWS_HELPER);
    EXPECT_EQ(ChildProcessCount(), 1);
  }
  EXPECT_EQ(ChildProcessCount(), 0);
  EXPECT_TRUE(server.WaitUntilConnectionsClosed(kMargin));
}

// While the transfer is under way, the helper is confined: no new privileges, a seccomp filter,
// only the proxy and trust store variables of the environment, and no descriptor but its standard
// three and the network's.
TEST(EarlyNewsFetchTest, HelperRunsConfined) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", Silent());
  const ScopedEnvironment no_proxy("no_proxy", "*");
  const ScopedEnvironment no_proxy_upper("NO_PROXY", nullptr);
  const ScopedEnvironment http_proxy("http_proxy", nullptr);
  const ScopedEnvironment all_proxy("all_proxy", nullptr);
  const ScopedEnvironment all_proxy_upper("ALL_PROXY", nullptr);
  // Passed on, though no_proxy keeps every proxy unused.
  const ScopedEnvironment https_proxy("https_proxy", "http://127.0.0.1:1");
  const ScopedEnvironment https_proxy_upper("HTTPS_PROXY", "http://127.0.0.1:2");
  // By the names OpenSSL reads.
  const ScopedEnvironment trust_store(X509_get_default_cert_file_env(), "/nowhere/ca.pem");
  const ScopedEnvironment trust_folders(X509_get_default_cert_dir_env(), "/nowhere/certs");
  const ScopedEnvironment secret("VOLTARIK_TEST_SECRET", "1");
  const EarlyNewsFetch early(QString::fromStdString(server.Authority() + "/voltarik.txt"),
                             VOLTARIK_NEWS_HELPER);
  ASSERT_TRUE(server.WaitForRequests(1, kNewsTimeout));
  std::ifstream children("/proc/self/task/" + std::to_string(gettid()) + "/children");
  int helper = 0;
  ASSERT_TRUE(children >> helper);
  const std::string proc = "/proc/" + std::to_string(helper);
  std::ifstream status_file(proc + "/status");
  const std::string status((std::istreambuf_iterator<char>(status_file)), {});
  EXPECT_NE(status.find("\nNoNewPrivs:\t1\n"), std::string::npos) << status;
  EXPECT_NE(status.find("\nSeccomp:\t2\n"), std::string::npos) << status;
  std::ifstream environ_file(proc + "/environ");
  const std::string environment((std::istreambuf_iterator<char>(environ_file)), {});
  using std::string_literals::operator""s;
  EXPECT_EQ(environment,
            "https_proxy=http://127.0.0.1:1\0HTTPS_PROXY=http://127.0.0.1:2\0no_proxy=*\0"
            "SSL_CERT_FILE=/nowhere/ca.pem\0SSL_CERT_DIR=/nowhere/certs\0"s);
  for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    const std::string target = std::filesystem::read_symlink(entry.path()).string();
    if (fd == 0 || fd == 2) {
      EXPECT_EQ(target, "/dev/null");
    } else if (fd == 1) {
      EXPECT_EQ(target.rfind("pipe:", 0), 0U) << target;
    } else {
      // Its connections, and the event counter libcurl 8.22 and later make with a multi handle.
      EXPECT_TRUE(target.starts_with("socket:") || target == "anon_inode:[eventfd]")
          << fd << " " << target;
    }
  }
}

enum class Shown { kNews, kIntroduction };

struct TlsCase {
  const char* name;
  // The server's certificate, from the authority the fetch trusts or from nobody it trusts.
  std::function<TlsIdentity(const TestAuthority& trusted)> identity;
  const char* scheme;  // of the address the fetch starts from
  const char* path;
  Shown shown;
  bool old_versions_only = false;
  friend void PrintTo(const TlsCase& row, std::ostream* out) { *out << row.name; }
};

// Each row against one loopback port that speaks TLS to a TLS client and plain HTTP to any
// other, with the test's own authority as the helper's trust store.
class TlsTest : public ::testing::TestWithParam<TlsCase> {
 protected:
  static void SetUpTestSuite() { trusted_ = new TrustedAuthority; }
  static void TearDownTestSuite() { delete trusted_; }

  static const TrustedAuthority* trusted_;
  const ScopedEnvironment trust_store_{"SSL_CERT_FILE", trusted_->path()};
  const ScopedEnvironment no_proxy_{"no_proxy", "*"};
};

const TrustedAuthority* TlsTest::trusted_ = nullptr;

TlsIdentity ForLoopback(const TestAuthority& trusted) { return trusted.Issue("127.0.0.1"); }

TEST_P(TlsTest, ShowsNewsOnlyFromAVerifiedServerOverTls12OrLater) {
  const milliseconds timeout(2000);
  LoopbackHttpServer server;
  server.ServeTls(GetParam().identity(trusted_->authority()), GetParam().old_versions_only);
  server.Script("/voltarik.txt", AtOnce(Response("200 OK", "Novinky")));
  server.Script("/to-https",
                AtOnce(Response("301 Moved Permanently", "",
                                "Location: https://" + server.Authority() + "/voltarik.txt\r\n")));
  server.Script("/to-http",
                AtOnce(Response("302 Found", "",
                                "Location: http://" + server.Authority() + "/voltarik.txt\r\n")));
  const auto started = Clock::now();
  const std::optional<QString> news = HelperHttpGetText(
      VOLTARIK_NEWS_HELPER,
      QString::fromStdString(GetParam().scheme + server.Authority() + GetParam().path), timeout);
  EXPECT_LT(Clock::now() - started, timeout / 2) << "a check, not the clock, should end it";
  if (GetParam().shown == Shown::kNews) {
    EXPECT_EQ(news, QStringLiteral("Novinky"));
  } else {
    EXPECT_EQ(news, std::nullopt);
    // Not even asked for: no request went out over a connection that failed its checks.
    EXPECT_EQ(std::ranges::count(server.RequestedPaths(), "/voltarik.txt"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, TlsTest,
    ::testing::Values(
        TlsCase{"good certificate", ForLoopback, "https://", "/voltarik.txt", Shown::kNews},
        TlsCase{"good certificate after a redirect from http", ForLoopback, "", "/to-https",
                Shown::kNews},
        TlsCase{"unknown authority",
                [](const TestAuthority&) { return TestAuthority().Issue("127.0.0.1"); }, "https://",
                "/voltarik.txt", Shown::kIntroduction},
        TlsCase{"expired certificate",
                [](const TestAuthority& trusted) {
                  return trusted.Issue("127.0.0.1", -std::chrono::hours(48),
                                       -std::chrono::hours(24));
                },
                "https://", "/voltarik.txt", Shown::kIntroduction},
        TlsCase{"wrong host name",
                [](const TestAuthority& trusted) { return trusted.Issue("voltarik.invalid"); },
                "https://", "/voltarik.txt", Shown::kIntroduction},
        TlsCase{"self signed", [](const TestAuthority&) { return SelfSigned("127.0.0.1"); },
                "https://", "/voltarik.txt", Shown::kIntroduction},
        TlsCase{"tls 1 0 and 1 1 only", ForLoopback, "https://", "/voltarik.txt",
                Shown::kIntroduction, true},
        TlsCase{"redirect from https to http", ForLoopback, "https://", "/to-http",
                Shown::kIntroduction},
        TlsCase{"certificate chain of megabytes",
                [](const TestAuthority& trusted) {
                  return trusted.Issue("127.0.0.1", -std::chrono::hours(1), std::chrono::hours(24),
                                       2000);
                },
                "https://", "/voltarik.txt", Shown::kIntroduction}),
    [](const auto& info) { return Slug(info.param.name); });

}  // namespace
}  // namespace voltarik::testing
