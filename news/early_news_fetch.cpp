#include "news/early_news_fetch.h"

#include <QByteArray>
#include <utility>

#include "news/news_decoding.h"

namespace voltarik {
namespace {

std::optional<QString> Decoded(const std::optional<HttpDocument>& document) {
  if (!document) return std::nullopt;
  return DecodeNewsBody(QByteArray::fromStdString(document->body),
                        QByteArray::fromStdString(document->charset));
}

}  // namespace

std::optional<QString> HelperHttpGetText(const std::string& helper_path, const QString& address,
                                         std::chrono::milliseconds timeout) {
  NewsHelperProcess helper(helper_path, address.toStdString(), timeout);
  return Decoded(helper.TakeAnswer());
}

EarlyNewsFetch::EarlyNewsFetch(QString address, std::string helper_path)
    : address_(std::move(address)), helper_path_(std::move(helper_path)) {
  helper_.emplace(helper_path_, address_.toStdString());
}

std::optional<QString> EarlyNewsFetch::Take(const QString& address) {
  if (!helper_ || address != address_) return HelperHttpGetText(helper_path_, address);
  std::optional<QString> text = Decoded(helper_->TakeAnswer());
  helper_.reset();
  return text;
}

}  // namespace voltarik
