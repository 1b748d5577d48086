#ifndef VOLTARIK_NEWS_NEWS_FOR_DISPLAY_H_
#define VOLTARIK_NEWS_NEWS_FOR_DISPLAY_H_

#include <QString>

namespace voltarik {

// Limits, far beyond any real news text, that keep the news box's layout cheap. Qt lays out a
// whole line (text block) at once, in time that grows with the square of an unbroken run, and
// every line costs memory whether shown or not.
inline constexpr qsizetype kMaxNewsLength = 262144;    // 256 Ki UTF-16 code units, the note aside
inline constexpr qsizetype kMaxNewsLines = 5000;       // lines, a closing note not counted
inline constexpr qsizetype kMaxNewsLineLength = 2000;  // UTF-16 code units in one line
inline constexpr qsizetype kMaxClusterLength = 32;     // UTF-16 code units in one letter

// The news document as the news box shows it. A document within the limits is shown as it is.
// Otherwise a line longer than the limit is broken into shorter lines, after a blank where one is
// near, else between two letters (grapheme clusters), never inside one; a letter carrying more
// marks than the limit is replaced by U+FFFD; the text past the length or the line limit is
// left out. A last line then says, in Czech, what was changed.
QString LimitNewsForDisplay(const QString& document);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_FOR_DISPLAY_H_
