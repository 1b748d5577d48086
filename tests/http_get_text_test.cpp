// The HTTP fetch against servers that misbehave: it returns within its bound, closes its
// connection, leaves no thread behind, and the size limits end a flood long before the clock does.
#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "news/curl_http_get_text.h"
#include "news/early_news_fetch.h"
#include "tests/compressed.h"
#include "tests/loopback_http_server.h"
#include "tests/qt_printers.h"
#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Room for a loaded machine in every timing assertion.
constexpr milliseconds kMargin{400};

qsizetype ThreadCount() {
  return QDir(QStringLiteral("/proc/self/task"))
      .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
      .size();
}

std::optional<QString> Fetch(const LoopbackHttpServer& server, const HttpLimits& limits = {}) {
  return CurlHttpGetText(QString::fromStdString(server.Authority() + "/voltarik.txt"), limits);
}

enum class Ends { ByTheClock, BeforeTheClock };

struct HostileCase {
  const char* name;
  ScriptedReply reply;
  Ends ends;
  friend void PrintTo(const HostileCase& row, std::ostream* out) { *out << row.name; }
};

class HostileServerTest : public ::testing::TestWithParam<HostileCase> {};

// A short bound keeps the suite quick; the full 3 s bound has a test of its own below.
TEST_P(HostileServerTest, FailsInTimeAndLeavesNothingOpen) {
  const HttpLimits limits{.timeout = milliseconds(1000)};
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", GetParam().reply);
  const qsizetype threads = ThreadCount();
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(server, limits), std::nullopt);
  const auto took = Clock::now() - started;
  EXPECT_TRUE(server.WaitUntilConnectionsClosed(kMargin)) << "the socket outlived the fetch";
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_LT(took, limits.timeout + kMargin);
  if (GetParam().ends == Ends::ByTheClock) {
    EXPECT_GE(took, limits.timeout);
  } else {
    EXPECT_LT(took, limits.timeout / 2) << "a limit, not the clock, should end this one";
  }
}

const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

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
        HostileCase{"headers over the cap, then silence",
                    HoldOpen("HTTP/1.1 200 OK\r\n" + std::string(70, 'X') + ": " +
                             std::string(65 * 1024, 'h') + "\r\n"),
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
        HostileCase{"gzip bomb",
                    HoldOpen("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" +
                             Gzip(std::string(size_t{16} * 1024 * 1024, '\0'))),
                    Ends::BeforeTheClock}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(HttpGetTextTest, SilentServerHoldsTheFetchForTheWholeBoundAndNoLonger) {
  LoopbackHttpServer server;
  server.Script("/voltarik.txt", Silent());
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(server), std::nullopt);
  const auto took = Clock::now() - started;
  EXPECT_GE(took, milliseconds(3000));
  EXPECT_LT(took, milliseconds(3000) + kMargin);
}

// One deadline for the whole fetch: a redirect answered late leaves the next hop only the rest.
TEST(HttpGetTextTest, LateRedirectLeavesTheNextHopOnlyTheTimeLeft) {
  const HttpLimits limits{.timeout = milliseconds(1000)};
  LoopbackHttpServer first;
  LoopbackHttpServer second;
  first.Script(
      "/voltarik.txt",
      AtOnce(Response("302 Found", "", "Location: http://" + second.Authority() + "/x\r\n"),
             milliseconds(600)));
  second.Script("/x", Drip("HTTP/1.1 200 OK\r\n", "X-Drip: 1\r\n", milliseconds(30)));
  const auto started = Clock::now();
  EXPECT_EQ(Fetch(first, limits), std::nullopt);
  EXPECT_LT(Clock::now() - started, limits.timeout + kMargin);
  EXPECT_EQ(second.RequestedPaths(), std::vector<std::string>{"/x"});
  EXPECT_TRUE(second.WaitUntilConnectionsClosed(kMargin));
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
  EXPECT_EQ(CurlHttpGetText(QString::fromStdString(closed_authority + "/voltarik.txt")),
            std::nullopt);
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

TEST(HttpGetTextTest, GoesThroughTheProxyTheEnvironmentNames) {
  LoopbackHttpServer proxy;
  proxy.Script("http://news.example/voltarik.txt", AtOnce(Response("200 OK", "přes proxy")));
  const ScopedEnvironment http_proxy("http_proxy", ("http://" + proxy.Authority()).c_str());
  const ScopedEnvironment no_proxy("no_proxy", nullptr);
  const ScopedEnvironment no_proxy_upper("NO_PROXY", nullptr);
  EXPECT_EQ(CurlHttpGetText(QStringLiteral("news.example/voltarik.txt")),
            QStringLiteral("přes proxy"));
}

TEST(EarlyNewsFetchTest, HandsOverTheTransferStartedOnItsOwnThread) {
  std::thread::id fetched_on;
  int calls = 0;
  EarlyNewsFetch early(QStringLiteral("host/voltarik.txt"), [&](const QString& address) {
    fetched_on = std::this_thread::get_id();
    ++calls;
    return std::optional<QString>(address + QStringLiteral(" ok"));
  });
  EXPECT_EQ(early.Take(QStringLiteral("host/voltarik.txt")),
            QStringLiteral("host/voltarik.txt ok"));
  EXPECT_NE(fetched_on, std::this_thread::get_id());
  EXPECT_EQ(calls, 1);
  // Once taken, or for another address, the fetch runs again, on the caller's thread.
  EXPECT_EQ(early.Take(QStringLiteral("host/voltarik.txt")),
            QStringLiteral("host/voltarik.txt ok"));
  EXPECT_EQ(fetched_on, std::this_thread::get_id());
  EXPECT_EQ(early.Take(QStringLiteral("other/x")), QStringLiteral("other/x ok"));
  EXPECT_EQ(calls, 3);
}

TEST(EarlyNewsFetchTest, WaitsForATransferStillUnderWay) {
  EarlyNewsFetch early(QStringLiteral("a"), [](const QString&) {
    std::this_thread::sleep_for(milliseconds(100));
    return std::optional<QString>(QStringLiteral("late"));
  });
  EXPECT_EQ(early.Take(QStringLiteral("a")), QStringLiteral("late"));
}

TEST(EarlyNewsFetchTest, EndsItsThreadWhenNeverAsked) {
  const qsizetype threads = ThreadCount();
  {
    const EarlyNewsFetch early(QStringLiteral("a"), [](const QString&) {
      std::this_thread::sleep_for(milliseconds(50));
      return std::optional<QString>();
    });
  }
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace voltarik::testing
