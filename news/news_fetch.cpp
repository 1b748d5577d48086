#include "news/news_fetch.h"

#include "news/news_for_display.h"

namespace voltarik {

QString NewsAddress() { return QStringLiteral(VOLTARIK_NEWS_HOST "/voltarik.txt"); }

void FetchNews(NewsView& view, const HttpGetText& http_get_text) {
  if (const std::optional<QString> document = http_get_text(NewsAddress())) {
    view.SetNewsText(LimitNewsForDisplay(*document));
  }
}

}  // namespace voltarik
