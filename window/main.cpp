// Voltarik: estimates the electricity the PC draws and what it costs.
#include <QApplication>
#include <QIcon>
#include <QLocale>

#include "news/curl_http_get_text.h"
#include "news/early_news_fetch.h"
#include "window/form1.h"
#include "window/qt_locale.h"

int main(int argc, char* argv[]) {
  // On X11 the window's small updates go faster over the socket than through shared memory,
  // whose completion round trip per flush doubled the wake-ups while measuring. The user's own
  // setting wins. Set before the news thread starts, which reads the environment for proxies.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  // The news travels while the window is built; Form_Load waits for it before the window shows.
  voltarik::EarlyNewsFetch news(voltarik::NewsAddress(), [](const QString& address) {
    return voltarik::CurlHttpGetText(address);
  });

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltarik"));
  QApplication::setDesktopFileName(QStringLiteral("cz.kvorlin.Voltarik"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/voltarik/voltarik.png")));

  voltarik::Form1 form(voltarik::CoreLocale(QLocale::system()),
                       [&news](const QString& address) { return news.Take(address); });
  form.Form_Load();
  form.CenterOnScreen();
  form.show();
  return QApplication::exec();
}
