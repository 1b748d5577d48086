#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <memory>
#include <optional>

#include "news/news_fetch.h"
#include "news/qt_http_get_text.h"
#include "tests/qt_printers.h"
#include "tests/scripted_http_server.h"
#include "tests/test_support.h"
#include "window/control_table.h"
#include "window/form1.h"
#include "window/qt_locale.h"

namespace voltarik::testing {
namespace {

using std::chrono::milliseconds;

QString Introduction() {
  return QString::fromUtf8(kNewsIntroduction).replace(QStringLiteral("\r\n"), "\n");
}

QString NewsBox(Form1& form) {
  return form.findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText();
}

// A window whose start-up fetch goes to `server`, keeping the document's path.
std::unique_ptr<Form1> LoadWindow(ScriptedHttpServer& server, HttpLimits limits = {}) {
  auto form =
      std::make_unique<Form1>(CoreLocale(QLocale::c()), [&server, limits](const QString& address) {
        return QtHttpGetText(server.Authority() + address.mid(address.indexOf('/')), limits);
      });
  form->Form_Load();
  return form;
}

struct ServedCase {
  const char* name;
  ScriptedReply reply;
  std::optional<QString> shown;  // nothing: the fetch fails and the introduction stays
  friend void PrintTo(const ServedCase& row, std::ostream* out) { *out << row.name; }
};

class ServedNewsTest : public ::testing::TestWithParam<ServedCase> {};

TEST_P(ServedNewsTest, BoxShowsTheDocumentOrKeepsTheIntroduction) {
  ScriptedHttpServer server;
  server.Script("/voltarik.txt", GetParam().reply);
  const auto form = LoadWindow(server);
  EXPECT_EQ(NewsBox(*form), GetParam().shown.value_or(Introduction()));
  EXPECT_EQ(server.requested_paths(), QList<QByteArray>{"/voltarik.txt"});
}

ScriptedReply Ok(const QByteArray& body, const QByteArray& headers = {}) {
  return {Answer::AtOnce, Response("200 OK", body, headers)};
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ServedNewsTest,
    ::testing::Values(
        ServedCase{"crlf lines", Ok("Verze 2.0\r\nNov\xc4\x9b s ikonou\r\n"),
                   QStringLiteral("Verze 2.0\nNově s ikonou\n")},
        ServedCase{"lf lines", Ok("a\nb\nc"), QStringLiteral("a\nb\nc")},
        ServedCase{"lone cr lines", Ok("a\rb"), QStringLiteral("a\nb")},
        ServedCase{"empty document empties the box", Ok(""), QString()},
        ServedCase{"not found", {Answer::AtOnce, Response("404 Not Found", "nenalezeno")}, {}},
        ServedCase{
            "server error", {Answer::AtOnce, Response("500 Internal Server Error", "x")}, {}},
        ServedCase{"windows 1250 czech", Ok("P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd k\xf9\xf2"),
                   QStringLiteral("Příliš žluťoučký kůň")},
        ServedCase{"utf8 bom dropped", Ok("\xef\xbb\xbfVerze \xc5\x99"), QStringLiteral("Verze ř")},
        ServedCase{"markup shown literally",
                   Ok("<html><b>tu\xc4\x8dn\xc4\x9b</b> <a href=\"http://x/\">odkaz</a></html>"),
                   QStringLiteral("<html><b>tučně</b> <a href=\"http://x/\">odkaz</a></html>")},
        ServedCase{"content type charset wins",
                   Ok("\xc5\xa1", "Content-Type: text/plain; charset=\"windows-1250\"\r\n"),
                   QStringLiteral("Ĺˇ")},
        ServedCase{"lone surrogate from utf 32 becomes a replacement character",
                   Ok(QByteArray("\x00\xd8\x00\x00\x41\x00\x00\x00", 8),
                      "Content-Type: text/plain; charset=utf-32le\r\n"),
                   QStringLiteral("\uFFFDA")},
        ServedCase{"unknown charset falls back to sniffing",
                   Ok("\xc5\xa1", "Content-Type: text/plain; charset=x-nonsense\r\n"),
                   QStringLiteral("š")},
        ServedCase{"chunked reply",
                   {Answer::AtOnce,
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                    "5\r\nVerze\r\n3\r\n 2\n\r\n0\r\n\r\n"},
                   QStringLiteral("Verze 2\n")},
        ServedCase{"body of exactly the limit", Ok(QByteArray(1024 * 1024, 'a')),
                   QString(1024 * 1024, QLatin1Char('a'))},
        ServedCase{"body over the limit", Ok(QByteArray(1024 * 1024 + 1, 'a')), {}},
        ServedCase{"redirect away from plain http",
                   {Answer::AtOnce,
                    Response("302 Found", "", "Location: https://127.0.0.1:1/voltarik.txt\r\n")},
                   {}}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(NewsFetchTest, FollowsAPlainHttpRedirect) {
  ScriptedHttpServer server;
  server.Script("/voltarik.txt",
                {Answer::AtOnce,
                 Response("301 Moved Permanently", "",
                          "Location: http://" + server.Authority().toUtf8() + "/novinky.txt\r\n")});
  server.Script("/novinky.txt", Ok(QStringLiteral("Přesměrováno").toUtf8()));
  const auto form = LoadWindow(server);
  EXPECT_EQ(NewsBox(*form), QStringLiteral("Přesměrováno"));
}

TEST(NewsFetchTest, EndlessBodyIsAbandonedAtTheLimitNotAtTheTimeLimit) {
  ScriptedHttpServer server;
  server.Script("/voltarik.txt",
                {Answer::EndlessChunks,
                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"});
  QElapsedTimer clock;
  clock.start();
  const auto form = LoadWindow(server, HttpLimits{.timeout = milliseconds(10000)});
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(NewsBox(*form), Introduction());
}

TEST(NewsFetchTest, RefusedConnectionFailsAtOnce) {
  quint16 closed_port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    closed_port = probe.serverPort();
  }
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(QtHttpGetText(QStringLiteral("127.0.0.1:%1/voltarik.txt").arg(closed_port)),
            std::nullopt);
  EXPECT_LT(clock.elapsed(), 2000);
}

// The start-up bound: a server that accepts and never answers, or trickles bytes, holds start-up
// no longer than the limit (the assertion leaves room for a slow machine).
TEST(NewsFetchTest, SilentServerHoldsStartUpNoLongerThanTheBound) {
  ScriptedHttpServer server;
  server.Script("/voltarik.txt", {Answer::Never, {}});
  QElapsedTimer clock;
  clock.start();
  const auto form = LoadWindow(server);
  EXPECT_GE(clock.elapsed(), 2900);
  EXPECT_LT(clock.elapsed(), 4500);
  EXPECT_EQ(NewsBox(*form), Introduction());
}

TEST(NewsFetchTest, TricklingServerHoldsStartUpNoLongerThanTheBound) {
  ScriptedHttpServer server;
  server.Script("/voltarik.txt",
                {Answer::Trickle, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n"});
  QElapsedTimer clock;
  clock.start();
  const auto form = LoadWindow(server, HttpLimits{.timeout = milliseconds(600)});
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(NewsBox(*form), Introduction());
}

TEST(NewsFetchTest, FetchesTheDocumentPathOnceAndDropsTicksMeanwhile) {
  QStringList addresses;
  std::unique_ptr<Form1> form;
  form = std::make_unique<Form1>(CoreLocale(QLocale::c()), [&](const QString& address) {
    addresses.append(address);
    form->Timer2_Timer();  // falls due during the fetch: dropped
    return std::optional<QString>(QStringLiteral("Novinky"));
  });
  form->Form_Load();
  EXPECT_EQ(addresses, QStringList{NewsAddress()});
  EXPECT_TRUE(NewsAddress().endsWith(QStringLiteral("/voltarik.txt")));
  EXPECT_FALSE(NewsAddress().contains(QStringLiteral("://")));
  EXPECT_EQ(NewsBox(*form), QStringLiteral("Novinky"));
  EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("Label12"))->text(), QStringLiteral("Načítám"));
}

}  // namespace
}  // namespace voltarik::testing
