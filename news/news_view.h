#ifndef VOLTARIK_NEWS_NEWS_VIEW_H_
#define VOLTARIK_NEWS_NEWS_VIEW_H_

#include <QString>

namespace voltarik {

// The one window operation the news fetch needs.
class NewsView {
 public:
  virtual ~NewsView() = default;
  // Replaces the whole contents of the news box.
  virtual void SetNewsText(const QString& text) = 0;
};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_VIEW_H_
