#include "news/news_decoding.h"

#include <QStringDecoder>

namespace voltarik {
namespace {

// Some of Qt's decoders, UTF-32 among them, pass a code point in the surrogate range through as a
// lone surrogate; the box gets the replacement character instead.
QString WithoutLoneSurrogates(QString text) {
  if (text.isValidUtf16()) return text;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    } else if (text[i].isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
  return text;
}

}  // namespace

QString DecodeNewsBody(const QByteArray& body, const QByteArray& charset) {
  // Stateless: the body is all there is, so a sequence cut off at its end is an error, not a
  // remainder kept for more input that never comes (which would drop the last letter silently).
  constexpr auto kWhole = QStringConverter::Flag::Stateless;
  if (!charset.isEmpty()) {
    QStringDecoder named(charset.constData(), kWhole);
    if (named.isValid()) return WithoutLoneSurrogates(named.decode(body));
  }
  QStringDecoder utf8(QStringDecoder::Utf8, kWhole);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) return text;
  QStringDecoder windows_1250("windows-1250", kWhole);
  return windows_1250.decode(body);
}

}  // namespace voltarik
