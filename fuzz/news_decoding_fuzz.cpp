// Any bytes and any charset name through the news decoding and into a plain-text document, as the
// news box takes it: no crash, and valid UTF-16 out.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

#include "news/news_decoding.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // The charset runs up to the first newline; the body is the rest.
  const qsizetype newline = input.indexOf('\n');
  const QByteArray charset = newline < 0 ? QByteArray() : input.left(newline);
  const QByteArray body = newline < 0 ? input : input.mid(newline + 1);

  const QString text = voltarik::DecodeNewsBody(body, charset);
  if (!text.isValidUtf16()) std::abort();
  QTextDocument document;
  document.setPlainText(text);
  if (document.blockCount() < 1 || !document.toPlainText().isValidUtf16()) std::abort();
  return 0;
}
