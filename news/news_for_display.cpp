#include "news/news_for_display.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace voltarik {
namespace {

// The characters at which Qt's plain-text documents start a new line (block): besides CR and LF,
// the paragraph separator and the two frame markers. A CR LF pair is one line end.
bool IsLineEnd(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
         c == QChar(0xFDD1);
}

qsizetype LineEndLength(QStringView text, qsizetype at) {
  if (at >= text.size()) return 0;
  return text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
}

// The length of a grapheme cluster once shortened to the limit, without splitting a surrogate
// pair.
qsizetype KeptClusterLength(QStringView cluster) {
  if (cluster.size() <= kMaxClusterLength) return cluster.size();
  qsizetype kept = kMaxClusterLength;
  if (cluster[kept].isLowSurrogate()) --kept;
  return kept;
}

// Builds the shown text line by line.
class LimitedText {
 public:
  // Appends one line of the document (without its line end), broken where it is too long.
  // Returns false once no further line fits.
  bool AppendLine(QStringView line, QStringView line_end) {
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, line);
    qsizetype piece_length = 0;
    qsizetype after_blank = -1;  // in text_: just after the piece's last blank cluster
    for (qsizetype start = 0, end; (end = clusters.toNextBoundary()) >= 0; start = end) {
      const QStringView cluster = line.mid(start, end - start);
      const qsizetype kept = KeptClusterLength(cluster);
      marks_dropped_ = marks_dropped_ || kept < cluster.size();
      if (piece_length + kept > kMaxNewsLineLength) {
        if (!StartLine()) return false;
        lines_broken_ = true;
        // After the last blank when it leaves at least half a line; else right here.
        const qsizetype break_at = after_blank - (text_.size() - piece_length) >
                                           kMaxNewsLineLength / 2
                                       ? after_blank
                                       : text_.size();
        text_.insert(break_at, u'\n');
        piece_length = text_.size() - break_at - 1;
        after_blank = -1;
      }
      text_.append(cluster.first(kept));
      piece_length += kept;
      if (cluster.first().isSpace()) after_blank = text_.size();
    }
    if (line_end.isEmpty()) return true;
    if (!StartLine()) return false;
    text_.append(line_end);
    return true;
  }

  // The text, with a last line that says what was changed when anything was.
  QString Finish(bool lines_left_out) {
    if (!lines_left_out && !lines_broken_ && !marks_dropped_) return text_;
    QStringList changes;
    if (lines_left_out) changes << QStringLiteral("zobrazen je jen její začátek");
    if (lines_broken_) {
      changes << QStringLiteral("řádky delší než %1 znaků jsou rozděleny").arg(kMaxNewsLineLength);
    }
    if (marks_dropped_) {
      changes << QStringLiteral("přebytečná diakritická znaménka jsou vynechána");
    }
    if (!text_.isEmpty() && !IsLineEnd(text_.back())) text_.append(u'\n');
    return text_ + QStringLiteral("[Zpráva je pro zobrazení upravena: ") +
           changes.join(QStringLiteral("; ")) + QStringLiteral(".]");
  }

 private:
  // Counts a new line of the text; false when it would be one too many.
  bool StartLine() { return ++lines_ <= kMaxNewsLines; }

  QString text_;
  qsizetype lines_ = 1;
  bool lines_broken_ = false;
  bool marks_dropped_ = false;
};

}  // namespace

QString LimitNewsForDisplay(const QString& document) {
  LimitedText shown;
  const QStringView text(document);
  for (qsizetype start = 0; start <= text.size();) {
    qsizetype end = start;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    const qsizetype end_length = LineEndLength(text, end);
    if (!shown.AppendLine(text.mid(start, end - start), text.mid(end, end_length))) {
      return shown.Finish(true);
    }
    if (end == text.size()) break;
    start = end + end_length;
  }
  return shown.Finish(false);
}

}  // namespace voltarik
