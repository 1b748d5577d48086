// The start-up news: once per run, before the window is first shown, the program fetches a short
// plain-text document from its publisher's web site and shows it in the news box. A failed fetch
// changes nothing: the box keeps its introduction, which explains what the user sees.
#ifndef VOLTARIK_NEWS_NEWS_FETCH_H_
#define VOLTARIK_NEWS_NEWS_FETCH_H_

#include <QString>
#include <functional>
#include <optional>

#include "news/news_view.h"

namespace voltarik {

// Fetches a document over HTTP: its contents as text, or nothing when the fetch failed.
using HttpGetText = std::function<std::optional<QString>(const QString& address)>;

// The publisher's host (set at build time) followed by "/voltarik.txt", without a scheme.
QString NewsAddress();

// Shows the fetched document, even an empty one, within the news box's limits; keeps the box as
// it is when the fetch fails.
void FetchNews(NewsView& view, const HttpGetText& http_get_text);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_FETCH_H_
