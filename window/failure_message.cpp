#include "window/failure_message.h"

#include "window/qt_text.h"

namespace voltarik {

namespace {

// How to write a price that reads under the user's locale, with an example in that form.
QString HowToWritePrice(const QString& decimal_separator) {
  const QString example = QStringLiteral("2") + decimal_separator + QStringLiteral("65");
  if (decimal_separator == QLatin1String(",")) {
    return QStringLiteral(" Cenu napište jako číslo s desetinnou čárkou, například „%1“.")
        .arg(example);
  }
  if (decimal_separator == QLatin1String(".")) {
    return QStringLiteral(" Cenu napište jako číslo s desetinnou tečkou, například „%1“.")
        .arg(example);
  }
  return QStringLiteral(" Cenu napište jako číslo s desetinným oddělovačem „%1“, například „%2“.")
      .arg(decimal_separator, example);
}

}  // namespace

QString FailureMessage(const ValueTextError& error, const QString& decimal_separator) {
  const QString price = ToQString(error.text());
  QString problem;
  if (dynamic_cast<const OverflowError*>(&error) != nullptr) {
    problem = QStringLiteral(
                  "S cenou za 1 KWh „%1“ vychází cena tak velká, že ji program "
                  "neumí spočítat.")
                  .arg(price);
  } else if (price.trimmed().isEmpty()) {
    problem =
        QStringLiteral("Pole „Cena za 1 KWh“ je prázdné.") + HowToWritePrice(decimal_separator);
  } else {
    problem = QStringLiteral("Text „%1“ v poli „Cena za 1 KWh“ není číslo.").arg(price) +
              HowToWritePrice(decimal_separator);
  }
  return problem + QStringLiteral(
                       "\n\nMěření bylo zastaveno. Dosud naměřená spotřeba zůstává zachována: "
                       "opravte cenu a stiskněte „Spustit Měření“, měření bude pokračovat.");
}

}  // namespace voltarik
