#include "window/failure_message.h"

#include "window/qt_text.h"

namespace voltarik {

QString FailureMessage(const ValueTextError& error) {
  const QString price = ToQString(error.text());
  QString problem;
  if (dynamic_cast<const OverflowError*>(&error) != nullptr) {
    problem = QStringLiteral(
                  "S cenou za 1 KWh „%1“ vychází cena tak velká, že ji program "
                  "neumí spočítat.")
                  .arg(price);
  } else if (price.trimmed().isEmpty()) {
    problem = QStringLiteral("Pole „Cena za 1 KWh“ je prázdné.");
  } else {
    problem = QStringLiteral("Text „%1“ v poli „Cena za 1 KWh“ není číslo.").arg(price);
  }
  return problem + QStringLiteral(
                       "\n\nMěření bylo zastaveno. Dosud naměřená spotřeba zůstává zachována: "
                       "opravte cenu a stiskněte „Spustit Měření“, měření bude pokračovat.");
}

}  // namespace voltarik
