// The baseline for the start-up with a news server: the program as it was before the transfer
// overlapped with building the window. It fetches over libcurl in its own process first, then
// builds and shows the same window with the same settings as the program.
#include <QApplication>
#include <QByteArray>
#include <QLocale>
#include <cstdlib>
#include <optional>

#include "news/helper/curl_http_get.h"
#include "news/helper/trust_store.h"
#include "news/news_decoding.h"
#include "news/news_fetch.h"
#include "window/form1.h"
#include "window/qt_locale.h"
#include "window/window_icon.h"

int main(int argc, char* argv[]) {
  // The trust store is found as the helper finds it, for a fetch that may be HTTPS.
  const std::optional<voltarik::TrustStore> trust_store = voltarik::PrepareTls(std::getenv);
  const std::optional<voltarik::HttpDocument> document =
      trust_store ? voltarik::CurlHttpGet(voltarik::NewsAddress().toStdString(), *trust_store)
                  : std::nullopt;
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltarik"));
  QApplication::setDesktopFileName(QStringLiteral("cz.kvorlin.Voltarik"));
  QApplication::setWindowIcon(voltarik::WindowIcon());
  voltarik::Form1 form(voltarik::CoreLocale(QLocale::system()),
                       [&document](const QString&) -> std::optional<QString> {
                         if (!document) return std::nullopt;
                         return voltarik::DecodeNewsBody(
                             QByteArray::fromStdString(document->body),
                             QByteArray::fromStdString(document->charset));
                       });
  form.Form_Load();
  form.CenterOnScreen();
  form.show();
  return QApplication::exec();
}
