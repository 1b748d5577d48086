// What the news box shows after start-up, for documents served every way a web server may send
// them, and how often each redirect target is asked for.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "news/early_news_fetch.h"
#include "news/news_fetch.h"
#include "news/news_for_display.h"
#include "tests/compressed.h"
#include "tests/loopback_http_server.h"
#include "tests/qt_printers.h"
#include "tests/test_certificates.h"
#include "tests/test_support.h"
#include "window/control_table.h"
#include "window/form1.h"
#include "window/qt_locale.h"

namespace voltarik::testing {
namespace {

QString Introduction() {
  return QString::fromUtf8(kNewsIntroduction).replace(QStringLiteral("\r\n"), "\n");
}

QString NewsBox(Form1& form) {
  return form.findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText();
}

// A window whose start-up fetch goes to `server`, keeping the document's path under `folder`.
std::unique_ptr<Form1> LoadWindow(const LoopbackHttpServer& server,
                                  const std::string& folder = {}) {
  const QString authority = QString::fromStdString(server.Authority() + folder);
  auto form =
      std::make_unique<Form1>(CoreLocale(QLocale::c()), [authority](const QString& address) {
        return HelperHttpGetText(VOLTARIK_NEWS_HELPER,
                                 authority + address.mid(address.indexOf('/')));
      });
  form->Form_Load();
  return form;
}

ScriptedReply Ok(const std::string& body, const std::string& headers = {}) {
  return AtOnce(Response("200 OK", body, headers));
}

// A redirect to `path` on the same server: "@" stands for the server's authority. Its body is
// for browsers, never part of the document.
ScriptedReply RedirectTo(const std::string& path, const std::string& status = "302 Found") {
  return AtOnce(Response(status,
                         "P\xc5\x99"
                         "esunuto",
                         "Location: http://@" + path + "\r\n"));
}

ScriptedReply Chunked(const std::string& chunks) {
  return AtOnce("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
                chunks);
}

struct ServedCase {
  const char* name;
  // Paths of the row's own and what the server answers there; "@" in a reply stands for the
  // server's authority and the row's folder.
  std::vector<std::pair<std::string, ScriptedReply>> script;
  std::optional<QString> shown;  // nothing: the fetch fails and the introduction stays
  std::vector<std::string> requested = {"/voltarik.txt"};
  friend void PrintTo(const ServedCase& row, std::ostream* out) { *out << row.name; }
};

// The rows differ only in what the server sends: one server serves them all, each row under a
// folder of its own, and speaks TLS too, with a certificate no one trusts.
class ServedNewsTest : public ::testing::TestWithParam<ServedCase> {
 protected:
  static void SetUpTestSuite() {
    server_ = new LoopbackHttpServer;
    server_->ServeTls(SelfSigned("127.0.0.1"));
  }
  static void TearDownTestSuite() { delete server_; }

  // The requests for the row's folder, without the folder.
  std::vector<std::string> RowRequests() const {
    std::vector<std::string> paths;
    for (const std::string& path : server_->RequestedPaths()) {
      if (path.starts_with(folder_ + "/")) paths.push_back(path.substr(folder_.size()));
    }
    return paths;
  }

  static LoopbackHttpServer* server_;
  const std::string folder_ = "/" + Slug(GetParam().name);
};

LoopbackHttpServer* ServedNewsTest::server_ = nullptr;

TEST_P(ServedNewsTest, BoxShowsTheDocumentOrKeepsTheIntroduction) {
  for (auto [path, reply] : GetParam().script) {
    for (std::size_t at; (at = reply.head.find('@')) != std::string::npos;) {
      reply.head.replace(at, 1, server_->Authority() + folder_);
    }
    server_->Script(folder_ + path, reply);
  }
  const auto form = LoadWindow(*server_, folder_);
  EXPECT_EQ(NewsBox(*form), GetParam().shown.value_or(Introduction()));
  EXPECT_EQ(RowRequests(), GetParam().requested);
}

const std::string kDocument = "/voltarik.txt";
const std::string kOverLimit(1024 * 1024 + 1, 'a');
// A body the fetch takes whole, as the box shows it: within the box's own limits.
const QString kLimitShown = LimitNewsForDisplay(QString(1024 * 1024, QLatin1Char('a')));

// A response whose status line and headers, blank line included, take `bytes` in all.
ScriptedReply HeadersOfSize(std::size_t bytes) {
  const std::string start = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\nX-Pad: ";
  return AtOnce(start + std::string(bytes - start.size() - 4, 'p') + "\r\n\r\nok");
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ServedNewsTest,
    ::testing::Values(
        ServedCase{"crlf lines",
                   {{kDocument, Ok("Verze 2.0\r\nNov\xc4\x9b s ikonou\r\n")}},
                   QStringLiteral("Verze 2.0\nNově s ikonou\n")},
        ServedCase{"empty document empties the box", {{kDocument, Ok("")}}, QString()},
        ServedCase{"no content empties the box",
                   {{kDocument, AtOnce("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n")}},
                   QString()},
        ServedCase{"any 2xx status counts",
                   {{kDocument, AtOnce(Response("299 Fine", "ok"))}},
                   QStringLiteral("ok")},
        ServedCase{"multiple choices is not a document",
                   {{kDocument, AtOnce(Response("300 Multiple Choices", "vyberte"))}},
                   {}},
        ServedCase{
            "an error status with a location is not followed",
            {{kDocument, AtOnce(Response("400 Bad Request", "", "Location: http://@/a\r\n"))},
             {"/a", Ok("Cesta")}},
            {}},
        ServedCase{"not modified keeps the introduction",
                   {{kDocument, AtOnce("HTTP/1.1 304 Not Modified\r\nConnection: close\r\n\r\n")}},
                   {}},
        ServedCase{"not found", {{kDocument, AtOnce(Response("404 Not Found", "nenalezeno"))}}, {}},
        ServedCase{"server error", {{kDocument, AtOnce(Response("500 Server Error", "x"))}}, {}},
        ServedCase{"windows 1250 czech",
                   {{kDocument, Ok("P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd k\xf9\xf2")}},
                   QStringLiteral("Příliš žluťoučký kůň")},
        ServedCase{"utf8 bom dropped",
                   {{kDocument, Ok("\xef\xbb\xbfVerze \xc5\x99")}},
                   QStringLiteral("Verze ř")},
        ServedCase{
            "content type charset wins",
            {{kDocument, Ok("\xc5\xa1", "Content-Type: text/plain; charset=\"windows-1250\"\r\n")}},
            QStringLiteral("Ĺˇ")},
        ServedCase{"lone surrogate from utf 32 becomes a replacement character",
                   {{kDocument, Ok(std::string("\x00\xd8\x00\x00\x41\x00\x00\x00", 8),
                                   "Content-Type: text/plain; charset=utf-32le\r\n")}},
                   QStringLiteral("\uFFFDA")},
        ServedCase{"charset with a closing quote only is not unquoted",
                   {{kDocument, Ok("\xe8", "Content-Type: text/plain; charset=xlatin1\"\r\n")}},
                   QStringLiteral("č")},
        ServedCase{"windows 1250 document ending in a czech letter keeps it",
                   {{kDocument, Ok("Nov\xec")}},
                   QStringLiteral("Nově")},
        ServedCase{"utf8 document cut inside its last letter shows a replacement character",
                   {{kDocument, Ok("Nov\xc4", "Content-Type: text/plain; charset=utf-8\r\n")}},
                   QStringLiteral("Nov\uFFFD")},
        ServedCase{
            "unknown charset falls back to sniffing",
            {{kDocument, Ok("\xc5\xa1", "Content-Type: text/plain; charset=x-nonsense\r\n")}},
            QStringLiteral("š")},
        ServedCase{"nuls and control characters are kept and do not cut the text",
                   {{kDocument, Ok(std::string("a\0b\x01\x1b[31m\tc\x7f", 11))}},
                   QString::fromUtf8("a\0b\x01\x1b[31m\tc\x7f", 11)},
        ServedCase{"chunked split inside a czech letter",
                   {{kDocument, Chunked("4\r\nNov\xc4\r\n3\r\n\x9b\r\n\r\n0\r\n\r\n")}},
                   QStringLiteral("Nově\n")},
        ServedCase{
            "malformed chunked body", {{kDocument, Chunked("5\r\nVerze\r\nzz\r\n 2\r\n")}}, {}},
        ServedCase{
            "chunked body cut before its last chunk", {{kDocument, Chunked("5\r\nVerze\r\n")}}, {}},
        ServedCase{"content length longer than the body",
                   {{kDocument, AtOnce("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nVerze 2")}},
                   {}},
        ServedCase{
            "reset in the middle of the body",
            {{kDocument, ResetAfter("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nVerze 2")}},
            {}},
        ServedCase{"garbage instead of a status line",
                   {{kDocument, AtOnce("SSH-2.0-OpenSSH_9.2\r\nVerze 2\r\n\r\n")}},
                   {}},
        ServedCase{"body of exactly the limit",
                   {{kDocument, Ok(std::string(1024 * 1024, 'a'))}},
                   kLimitShown},
        ServedCase{"undeclared http 1 0 body of exactly the limit",
                   {{kDocument, AtOnce("HTTP/1.0 200 OK\r\n\r\n" + kOverLimit.substr(1))}},
                   kLimitShown},
        ServedCase{"undeclared http 1 0 body over the limit",
                   {{kDocument, AtOnce("HTTP/1.0 200 OK\r\n\r\n" + kOverLimit)}},
                   {}},
        ServedCase{"headers of exactly the cap",
                   {{kDocument, HeadersOfSize(64 * 1024)}},
                   QStringLiteral("ok")},
        ServedCase{
            "headers one byte over the cap", {{kDocument, HeadersOfSize(64 * 1024 + 1)}}, {}},
        ServedCase{"gzip body decoded",
                   {{kDocument, Ok(Gzip("Verze 2 \xc4\x8d"), "Content-Encoding: gzip\r\n")}},
                   QStringLiteral("Verze 2 č")},
        ServedCase{"deflate body decoded",
                   {{kDocument, Ok(Zlib("Verze 3"), "Content-Encoding: deflate\r\n")}},
                   QStringLiteral("Verze 3")},
        ServedCase{"gzip body whose text is over the limit",
                   {{kDocument, Ok(Gzip(kOverLimit), "Content-Encoding: gzip\r\n")}},
                   {}},
        ServedCase{
            "one redirect",
            {{kDocument, RedirectTo("/a.txt", "301 Moved Permanently")}, {"/a.txt", Ok("Cesta 1")}},
            QStringLiteral("Cesta 1"),
            {kDocument, "/a.txt"}},
        ServedCase{"two redirects",
                   {{kDocument, RedirectTo("/a.txt")},
                    {"/a.txt", RedirectTo("/b.txt", "307 Temporary Redirect")},
                    {"/b.txt", Ok("Cesta 2")}},
                   QStringLiteral("Cesta 2"),
                   {kDocument, "/a.txt", "/b.txt"}},
        ServedCase{"three redirects",
                   {{kDocument, RedirectTo("/a.txt")},
                    {"/a.txt", RedirectTo("/b.txt", "303 See Other")},
                    {"/b.txt", RedirectTo("/c.txt", "308 Permanent Redirect")},
                    {"/c.txt", Ok("Cesta 3")}},
                   QStringLiteral("Cesta 3"),
                   {kDocument, "/a.txt", "/b.txt", "/c.txt"}},
        ServedCase{"four redirects are one too many",
                   {{kDocument, RedirectTo("/a.txt")},
                    {"/a.txt", RedirectTo("/b.txt")},
                    {"/b.txt", RedirectTo("/c.txt")},
                    {"/c.txt", RedirectTo("/d.txt")},
                    {"/d.txt", Ok("Cesta 4")}},
                   {},
                   {kDocument, "/a.txt", "/b.txt", "/c.txt"}},
        ServedCase{"redirect loop ends at the first repeat",
                   {{kDocument, RedirectTo("/a.txt")}, {"/a.txt", RedirectTo(kDocument)}},
                   {},
                   {kDocument, "/a.txt"}},
        ServedCase{"redirect without a location",
                   {{kDocument, AtOnce(Response("302 Found", "jinde"))}},
                   {}},
        ServedCase{"redirect to https with a certificate no one trusts",
                   {{kDocument, AtOnce(Response("302 Found", "", "Location: https://@/a.txt\r\n"))},
                    {"/a.txt", Ok("Cesta https")}},
                   {}},
        ServedCase{"redirect to another scheme",
                   {{kDocument, AtOnce(Response("302 Found", "", "Location: ftp://@/a.txt\r\n"))}},
                   {}}),
    [](const auto& info) { return Slug(info.param.name); });

// Where Landlock offers network rules (ABI 4), the helper may connect only to the ports a fetch
// needs: the address's, 80, a proxy's and 53. A redirect to another port then fails.
TEST(NewsFetchTest, FollowsARedirectToAnotherPortOnlyWherePortsAreNotLimited) {
  const bool ports_limited =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U /* version */) >= 4;
  LoopbackHttpServer first;
  LoopbackHttpServer second;
  first.Script(
      kDocument,
      AtOnce(Response("302 Found", "", "Location: http://" + second.Authority() + "/n.txt\r\n")));
  second.Script("/n.txt", Ok("Jinde"));
  const auto form = LoadWindow(first);
  EXPECT_EQ(NewsBox(*form), ports_limited ? Introduction() : QStringLiteral("Jinde"));
  EXPECT_EQ(first.RequestedPaths(), std::vector<std::string>{kDocument});
  EXPECT_EQ(second.RequestedPaths().size(), ports_limited ? 0U : 1U);
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
