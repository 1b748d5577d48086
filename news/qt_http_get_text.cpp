#include "news/qt_http_get_text.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "news/news_decoding.h"

namespace voltarik {

std::optional<QString> QtHttpGetText(const QString& address, const HttpLimits& limits) {
  const QUrl url(QStringLiteral("http://") + address, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty()) return std::nullopt;

  bool rejected = false;  // outlives the manager, whose replies may still signal as it goes
  QNetworkAccessManager manager;
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(limits.max_redirects);
  QNetworkReply* reply = manager.get(request);

  const auto reject = [reply, &rejected] {
    rejected = true;
    reply->abort();
  };
  QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, reject](const QUrl& target) {
    if (target.scheme() == QLatin1String("http")) {
      emit reply->redirectAllowed();
    } else {
      reject();
    }
  });
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, reject, &limits] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limits.max_body_bytes) reject();
  });
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                   [reject, &limits](qint64 received, qint64) {
                     if (received > limits.max_body_bytes) reject();
                   });

  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, reply, reject);
  deadline.start(limits.timeout);
  if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);

  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (rejected || reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
    return std::nullopt;
  }
  const QByteArray body = reply->readAll();
  if (body.size() > limits.max_body_bytes) return std::nullopt;
  return DecodeNewsBody(body, reply->rawHeader("Content-Type"));
}

}  // namespace voltarik
