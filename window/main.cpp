// Voltarik: estimates the electricity the PC draws and what it costs.
#include <QApplication>
#include <QIcon>
#include <QLocale>

#include "news/qt_http_get_text.h"
#include "window/form1.h"
#include "window/qt_locale.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltarik"));
  QApplication::setDesktopFileName(QStringLiteral("voltarik"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/voltarik/voltarik.png")));

  voltarik::Form1 form(voltarik::CoreLocale(QLocale::system()),
                       [](const QString& address) { return voltarik::QtHttpGetText(address); });
  form.Form_Load();
  form.CenterOnScreen();
  form.show();
  return QApplication::exec();
}
