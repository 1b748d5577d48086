// Voltarik: estimates the electricity the PC draws and what it costs.
#include <QApplication>
#include <QLocale>
#include <algorithm>

#include "news/early_news_fetch.h"
#include "window/form1.h"
#include "window/qt_locale.h"
#include "window/window_icon.h"

namespace {

// Whether Qt picks its GTK 3 theme for this desktop: one of the GTK-based desktops it knows
// named in XDG_CURRENT_DESKTOP, a colon-separated list.
bool IsGtkDesktop(const QByteArray& current_desktop) {
  static const QByteArrayList kGtkDesktops = {"GNOME", "X-CINNAMON", "UNITY",
                                              "MATE",  "XFCE",       "LXDE"};
  const QByteArrayList names = current_desktop.toUpper().split(':');
  return std::ranges::any_of(names,
                             [](const QByteArray& name) { return kGtkDesktops.contains(name); });
}

}  // namespace

int main(int argc, char* argv[]) {
  // The news travels while the window is built; Form_Load waits for it before the window shows.
  // First of all, so the helper is started while this process has no thread.
  voltarik::EarlyNewsFetch news(voltarik::NewsAddress(), voltarik::NewsHelperPath());

  // On X11 the window's small updates go faster over the socket than through shared memory,
  // whose completion round trip per flush doubled the wake-ups while measuring. The user's own
  // setting wins.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  // On GNOME and the other GTK desktops Qt would load its GTK 3 theme, which starts GTK: a third
  // more memory and start-up time, and GTK's own accessibility bridge, which shows the program
  // to screen readers as a second, empty application. The window sets its own fonts and colours,
  // so it is built as on a desktop Qt does not know. A theme the user names still wins.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORMTHEME") &&
      IsGtkDesktop(qgetenv("XDG_CURRENT_DESKTOP"))) {
    QApplication::setDesktopSettingsAware(false);
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltarik"));
  QApplication::setDesktopFileName(QStringLiteral("cz.kvorlin.Voltarik"));
  QApplication::setWindowIcon(voltarik::WindowIcon());

  voltarik::Form1 form(voltarik::CoreLocale(QLocale::system()),
                       [&news](const QString& address) { return news.Take(address); });
  form.Form_Load();
  form.CenterOnScreen();
  form.show();
  return QApplication::exec();
}
