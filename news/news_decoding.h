#ifndef VOLTARIK_NEWS_NEWS_DECODING_H_
#define VOLTARIK_NEWS_NEWS_DECODING_H_

#include <QByteArray>
#include <QString>

namespace voltarik {

// The text of a news document. The charset its Content-Type named wins when Qt knows it;
// otherwise UTF-8 when the body is valid UTF-8 (a BOM is dropped), else Windows-1250, the usual
// legacy encoding of Czech text.
QString DecodeNewsBody(const QByteArray& body, const QByteArray& charset);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_DECODING_H_
