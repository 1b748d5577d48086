// Any text, valid UTF-16 as the news decoding makes it, through the news box's limits. Checked:
// the result stays within the limits; a document within them is shown unchanged; no surrogate
// pair is split; and in a document of one line, where every line end of the result is a break
// the limits made, no break comes before a mark or joiner that belongs to the letter before it.
// The input's first two bytes say how often the rest, read as UTF-16, repeats, so that small
// inputs reach the limits too.
#include <QList>
#include <QString>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "news/news_for_display.h"

namespace {

using voltarik::kMaxClusterLength;
using voltarik::kMaxNewsLength;
using voltarik::kMaxNewsLineLength;
using voltarik::kMaxNewsLines;

void Check(bool holds, int line = __builtin_LINE()) {
  if (holds) return;
  std::fprintf(stderr, "news_display_fuzz: the check on line %d failed\n", line);
  std::abort();
}

bool IsLineEnd(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
         c == QChar(0xFDD1);
}

QList<QStringView> Lines(QStringView text) {
  QList<QStringView> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!IsLineEnd(text[i])) continue;
    lines.append(text.sliced(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  lines.append(text.sliced(start));
  return lines;
}

// A character that joins the letter before it whatever that letter is, unless it follows a
// control character.
bool AlwaysContinuesALetter(QChar c) {
  return c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_Enclosing ||
         c.category() == QChar::Mark_SpacingCombining || c == QChar(0x200D) || c.isLowSurrogate();
}

bool IsControl(QChar c) {
  return (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
          c == QChar::LineSeparator) &&
         c != QChar(0x200C) && c != QChar(0x200D);
}

// Lines are short here, so one boundary finder over the whole line is cheap. As for the box, a
// letter never ends before a mark, a joiner or the second half of a surrogate pair, unless after
// a control character, whatever Qt's finder says.
qsizetype LongestCluster(QStringView line) {
  QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, line);
  qsizetype longest = 0;
  for (qsizetype start = 0, end; (end = clusters.toNextBoundary()) >= 0;) {
    if (end < line.size() && AlwaysContinuesALetter(line[end]) && !IsControl(line[end - 1])) {
      continue;
    }
    longest = std::max(longest, end - start);
    start = end;
  }
  return longest;
}

// The limits on the text as a whole and on each line.
bool LinesWithinLimits(QStringView text) {
  if (text.size() > kMaxNewsLength) return false;
  const QList<QStringView> lines = Lines(text);
  return lines.size() <= kMaxNewsLines &&
         std::all_of(lines.begin(), lines.end(),
                     [](QStringView line) { return line.size() <= kMaxNewsLineLength; });
}

bool WithinLimits(QStringView text) {
  if (!LinesWithinLimits(text)) return false;
  const QList<QStringView> lines = Lines(text);
  return std::all_of(lines.begin(), lines.end(),
                     [](QStringView line) { return LongestCluster(line) <= kMaxClusterLength; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int repeats = 1 + (data[0] | (data[1] & 0x03) << 8);  // 1 to 1024
  QString unit(static_cast<qsizetype>((size - 2) / 2), Qt::Uninitialized);
  std::memcpy(unit.data(), data + 2, static_cast<std::size_t>(unit.size()) * 2);
  // Valid UTF-16, as the news decoding gives: a lone surrogate becomes U+FFFD, as there.
  for (qsizetype i = 0; i < unit.size(); ++i) {
    if (unit[i].isHighSurrogate() && i + 1 < unit.size() && unit[i + 1].isLowSurrogate()) {
      ++i;
    } else if (unit[i].isSurrogate()) {
      unit[i] = QChar::ReplacementCharacter;
    }
  }
  const QString document = unit.repeated(repeats).left(2 * kMaxNewsLength);

  const QString shown = voltarik::LimitNewsForDisplay(document);
  if (WithinLimits(document)) {
    Check(shown == document);
    return 0;
  }
  // Changed: the text, then a last line that says so.
  const qsizetype note = shown.lastIndexOf(QStringLiteral("[Zpráva je pro zobrazení upravena: "));
  Check(note > 0 && IsLineEnd(shown[note - 1]) && shown.endsWith(u']'));
  Check(std::none_of(shown.begin() + note, shown.end(), IsLineEnd));
  // The text, without the line end that ends its last line, where the note stands.
  QStringView text = QStringView(shown).first(note);
  text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
  // Letters as Qt's finder sees them depend on the script runs before them, so a broken line
  // may begin a longer one than the limit; its length still bounds it.
  Check(LinesWithinLimits(text));
  Check(shown.isValidUtf16());
  if (Lines(document).size() == 1) {
    const QList<QStringView> lines = Lines(text);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      Check(lines[i].isEmpty() || lines[i - 1].isEmpty() ||
            !AlwaysContinuesALetter(lines[i].front()) || IsControl(lines[i - 1].back()));
    }
  }
  return 0;
}
