#include "news/early_news_fetch.h"

#include <utility>

namespace voltarik {

EarlyNewsFetch::EarlyNewsFetch(QString address, HttpGetText http_get_text)
    : address_(std::move(address)),
      http_get_text_(std::move(http_get_text)),
      thread_([this] { result_ = http_get_text_(address_); }) {}

EarlyNewsFetch::~EarlyNewsFetch() {
  if (thread_.joinable()) thread_.join();
}

std::optional<QString> EarlyNewsFetch::Take(const QString& address) {
  if (!thread_.joinable() || address != address_) return http_get_text_(address);
  thread_.join();
  return std::move(result_);
}

}  // namespace voltarik
