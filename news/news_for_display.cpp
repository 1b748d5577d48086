#include "news/news_for_display.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <algorithm>

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

// Whether `c` belongs to the letter that `before` ends, whatever Qt's finder says: its boundaries
// depend on the script runs around them, and it splits a surrogate pair of an unassigned plane
// before a mark. A mark or a joiner belongs to the letter before it unless that is a control
// character; the second half of a surrogate pair always does.
bool JoinsTheLetterBefore(QChar before, QChar c) {
  if (c.isLowSurrogate()) return true;
  const QChar::Category category = c.category();
  const bool mark = category == QChar::Mark_NonSpacing ||
                    category == QChar::Mark_SpacingCombining || category == QChar::Mark_Enclosing ||
                    c == QChar(0x200D);
  const QChar::Category before_category = before.category();
  const bool control = (before_category == QChar::Other_Control ||
                        before_category == QChar::Other_Format || before == QChar::LineSeparator) &&
                       before != QChar(0x200C) && before != QChar(0x200D);
  return mark && !control;
}

// Shown in place of a letter that carries too many marks. It joins neither the letter before it
// nor the one after, whatever they are, so no new over-long letter can form around it.
constexpr QChar kReplacement = QChar::ReplacementCharacter;

// Grapheme clusters are found in windows of a line: Qt's boundary finder costs far more than
// linear time on one long string, and little on many short ones. A window starts at a cluster
// boundary, and a line within the length limit is one window.
constexpr qsizetype kWindowLength = 2048;
static_assert(kWindowLength > kMaxNewsLineLength);

// Builds the shown text line by line. Unchanged stretches of a line are copied in one go.
class LimitedText {
 public:
  explicit LimitedText(qsizetype capacity) { text_.reserve(capacity); }

  // Appends one line of the document (without its line end), broken where it is too long.
  // Returns false, leaving the rest out, once no further line fits.
  bool AppendLine(QStringView line, QStringView line_end) {
    line_ = line;
    copied_up_to_ = 0;
    piece_length_ = 0;
    for (qsizetype at = 0; at < line.size();) {
      QStringView window = line.mid(at, kWindowLength);
      const bool last_window = at + window.size() == line.size();
      // Whole characters only: a cut surrogate pair would read as a boundary of its own.
      if (!last_window && window.back().isHighSurrogate()) window.chop(1);
      QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, window);
      qsizetype done = 0;
      for (qsizetype end;
           (end = clusters.toNextBoundary()) >= 0 && (last_window || end < window.size());) {
        if (end < window.size() && JoinsTheLetterBefore(window[end - 1], window[end])) continue;
        if (!AppendCluster(at + done, at + end)) return false;
        done = end;
      }
      if (done == 0) {
        // One cluster fills the window, and may go on far beyond it: it is replaced and the rest
        // of the line goes with it.
        return AppendCluster(at, at + window.size()) && EndLine(line_end);
      }
      at += done;
    }
    CopyUpTo(line.size());
    return EndLine(line_end);
  }

  bool Changed() const { return text_left_out_ || lines_broken_ || letters_replaced_; }

  // The text with a last line that says what was changed.
  QString Finish() {
    QStringList changes;
    if (text_left_out_) changes << QStringLiteral("zobrazen je jen její začátek");
    if (lines_broken_) {
      changes << QStringLiteral("řádky delší než %1 znaků jsou rozděleny").arg(kMaxNewsLineLength);
    }
    if (letters_replaced_) {
      changes << QStringLiteral(
          "znaky s příliš mnoha diakritickými znaménky jsou nahrazeny znakem „�“");
    }
    if (!text_.isEmpty() && !IsLineEnd(text_.back())) text_.append(u'\n');
    return text_ + QStringLiteral("[Zpráva je pro zobrazení upravena: ") +
           changes.join(QStringLiteral("; ")) + QStringLiteral(".]");
  }

 private:
  // Appends the cluster line_[start, end), or the replacement when it is too long, first breaking
  // the line when the cluster would make it too long: after its last blank when that keeps at
  // least half a line, else before the cluster.
  bool AppendCluster(qsizetype start, qsizetype end) {
    const QStringView cluster = line_.sliced(start, end - start);
    const qsizetype kept = cluster.size() > kMaxClusterLength ? 1 : cluster.size();
    if (piece_length_ + kept > kMaxNewsLineLength) {
      CopyUpTo(start);
      if (!StartLine()) return false;
      lines_broken_ = true;
      const qsizetype piece_start = text_.size() - piece_length_;
      const qsizetype break_at =
          after_blank_ - piece_start >= kMaxNewsLineLength / 2 ? after_blank_ : text_.size();
      text_.insert(break_at, u'\n');
      piece_length_ = text_.size() - break_at - 1;
    }
    if (text_.size() + (start - copied_up_to_) + kept > kMaxNewsLength) {
      CopyUpTo(start);
      text_left_out_ = true;
      return false;
    }
    if (kept < cluster.size()) {
      letters_replaced_ = true;
      CopyUpTo(start);
      text_.append(kReplacement);
      copied_up_to_ = end;
    }
    piece_length_ += kept;
    if (cluster.front().isSpace()) after_blank_ = text_.size() + (end - copied_up_to_);
    return true;
  }

  void CopyUpTo(qsizetype position) {
    text_.append(line_.sliced(copied_up_to_, position - copied_up_to_));
    copied_up_to_ = position;
  }

  bool EndLine(QStringView line_end) {
    if (line_end.isEmpty()) return true;
    if (text_.size() + line_end.size() > kMaxNewsLength) {
      text_left_out_ = true;
      return false;
    }
    if (!StartLine()) return false;
    text_.append(line_end);
    return true;
  }

  // Counts a new line of the text; false when it would be one too many.
  bool StartLine() {
    text_left_out_ = ++lines_ > kMaxNewsLines;
    return !text_left_out_;
  }

  QString text_;
  qsizetype lines_ = 1;
  QStringView line_;            // the line being appended
  qsizetype copied_up_to_ = 0;  // in line_: what is in text_ already
  qsizetype piece_length_ = 0;  // of the last line of text_, counting what is still to copy
  // In text_: just after the last blank cluster; before the piece when the piece has none.
  qsizetype after_blank_ = -1;
  bool text_left_out_ = false;
  bool lines_broken_ = false;
  bool letters_replaced_ = false;
};

}  // namespace

QString LimitNewsForDisplay(const QString& document) {
  LimitedText shown(std::min(document.size(), kMaxNewsLength));
  const QStringView text(document);
  for (qsizetype start = 0; start <= text.size();) {
    qsizetype end = start;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    const qsizetype end_length = LineEndLength(text, end);
    if (!shown.AppendLine(text.mid(start, end - start), text.mid(end, end_length))) break;
    if (end == text.size()) break;
    start = end + end_length;
  }
  return shown.Changed() ? shown.Finish() : document;
}

}  // namespace voltarik
