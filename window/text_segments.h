#ifndef VOLTARIK_WINDOW_TEXT_SEGMENTS_H_
#define VOLTARIK_WINDOW_TEXT_SEGMENTS_H_

#include <QAccessible>
#include <QString>

namespace voltarik {

// A part of a text: [start, end).
struct TextSegment {
  int start;
  int end;
  friend bool operator==(TextSegment, TextSegment) = default;
};

// The character, word or sentence of `text` at `offset`, as a screen reader asks for it; the
// whole text for lines and paragraphs (the boxes hold one line). At the end of the text, the last
// segment, or an empty one for characters. Always answers, for any offset.
TextSegment SegmentAt(const QString& text, int offset, QAccessible::TextBoundaryType boundary);
// The segment before the one at `offset`, or an empty one at 0.
TextSegment SegmentBefore(const QString& text, int offset, QAccessible::TextBoundaryType boundary);
// The segment after the one at `offset`, or an empty one at the end.
TextSegment SegmentAfter(const QString& text, int offset, QAccessible::TextBoundaryType boundary);

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_TEXT_SEGMENTS_H_
