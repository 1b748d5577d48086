#include "window/text_segments.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <optional>

namespace voltarik {
namespace {

std::optional<QTextBoundaryFinder::BoundaryType> FinderType(
    QAccessible::TextBoundaryType boundary) {
  switch (boundary) {
    case QAccessible::CharBoundary:
      return QTextBoundaryFinder::Grapheme;
    case QAccessible::WordBoundary:
      return QTextBoundaryFinder::Word;
    case QAccessible::SentenceBoundary:
      return QTextBoundaryFinder::Sentence;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::NoBoundary:
      break;
  }
  return std::nullopt;
}

}  // namespace

TextSegment SegmentAt(const QString& text, int offset, QAccessible::TextBoundaryType boundary) {
  const int length = static_cast<int>(text.size());
  const std::optional<QTextBoundaryFinder::BoundaryType> type = FinderType(boundary);
  if (!type) return {0, length};
  offset = std::clamp(offset, 0, length);
  if (offset == length) {
    if (boundary == QAccessible::CharBoundary || length == 0) return {length, length};
    --offset;  // the caret after the last word is still on it
  }
  QTextBoundaryFinder finder(*type, text);
  finder.setPosition(offset);
  const int start = finder.isAtBoundary() ? offset : static_cast<int>(finder.toPreviousBoundary());
  // From the segment's start or from `offset` inside it, the next boundary is the segment's end.
  const int end = static_cast<int>(finder.toNextBoundary());
  return {std::max(start, 0), end < 0 ? length : end};
}

TextSegment SegmentBefore(const QString& text, int offset, QAccessible::TextBoundaryType boundary) {
  const TextSegment at = SegmentAt(text, offset, boundary);
  if (at.start == 0) return {0, 0};
  return SegmentAt(text, at.start - 1, boundary);
}

TextSegment SegmentAfter(const QString& text, int offset, QAccessible::TextBoundaryType boundary) {
  const int length = static_cast<int>(text.size());
  const TextSegment at = SegmentAt(text, offset, boundary);
  if (at.end >= length) return {length, length};
  return SegmentAt(text, at.end, boundary);
}

}  // namespace voltarik
