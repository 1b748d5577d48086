#include "window/accessible_line_edit.h"

#include <QFontMetrics>
#include <QLineEdit>

#include "window/text_segments.h"

namespace voltarik {
namespace {

QString Segment(const QString& text, TextSegment segment, int* start, int* end) {
  *start = segment.start;
  *end = segment.end;
  return text.mid(segment.start, segment.end - segment.start);
}

QAccessibleInterface* Factory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("QLineEdit")) {
    return new AccessibleLineEdit(static_cast<QLineEdit*>(object));
  }
  // Screen readers meet a lamp as a label: a named thing with no text to edit or press.
  if (class_name == QLatin1String("voltarik::Lamp")) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
  }
  if (class_name == QLatin1String("voltarik::Form1")) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

AccessibleLineEdit::AccessibleLineEdit(QLineEdit* line_edit)
    : QAccessibleWidget(line_edit, QAccessible::EditableText) {}

QLineEdit* AccessibleLineEdit::LineEdit() const { return static_cast<QLineEdit*>(widget()); }

QString AccessibleLineEdit::text(QAccessible::Text t) const {
  if (t == QAccessible::Value) return LineEdit()->text();
  return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleLineEdit::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.editable = !LineEdit()->isReadOnly();
  state.readOnly = LineEdit()->isReadOnly();
  state.selectableText = true;
  return state;
}

void* AccessibleLineEdit::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  if (type == QAccessible::EditableTextInterface) {
    return static_cast<QAccessibleEditableTextInterface*>(this);
  }
  return QAccessibleWidget::interface_cast(type);
}

void AccessibleLineEdit::selection(int index, int* start, int* end) const {
  *start = *end = 0;
  if (index != 0 || !LineEdit()->hasSelectedText()) return;
  *start = LineEdit()->selectionStart();
  *end = *start + LineEdit()->selectionLength();
}

int AccessibleLineEdit::selectionCount() const { return LineEdit()->hasSelectedText() ? 1 : 0; }

void AccessibleLineEdit::addSelection(int start, int end) { setSelection(0, start, end); }

void AccessibleLineEdit::removeSelection(int index) {
  if (index == 0) LineEdit()->deselect();
}

void AccessibleLineEdit::setSelection(int index, int start, int end) {
  if (index == 0) LineEdit()->setSelection(start, end - start);
}

int AccessibleLineEdit::cursorPosition() const { return LineEdit()->cursorPosition(); }

void AccessibleLineEdit::setCursorPosition(int position) {
  LineEdit()->setCursorPosition(position);
}

QString AccessibleLineEdit::text(int start, int end) const {
  return LineEdit()->text().mid(start, end - start);
}

QString AccessibleLineEdit::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary,
                                             int* start, int* end) const {
  const QString text = LineEdit()->text();
  return Segment(text, SegmentBefore(text, offset, boundary), start, end);
}

QString AccessibleLineEdit::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary,
                                            int* start, int* end) const {
  const QString text = LineEdit()->text();
  return Segment(text, SegmentAfter(text, offset, boundary), start, end);
}

QString AccessibleLineEdit::textAtOffset(int offset, QAccessible::TextBoundaryType boundary,
                                         int* start, int* end) const {
  const QString text = LineEdit()->text();
  return Segment(text, SegmentAt(text, offset, boundary), start, end);
}

int AccessibleLineEdit::characterCount() const {
  return static_cast<int>(LineEdit()->text().size());
}

QRect AccessibleLineEdit::characterRect(int offset) const {
  // Qt keeps the text's scroll position private; the boxes are wide enough for their values, so
  // the text starts at the left of the contents, after Qt's fixed two-pixel margin.
  const QLineEdit* line_edit = LineEdit();
  const QString text = line_edit->text();
  if (offset < 0 || offset >= text.size()) return {};
  const QFontMetrics metrics(line_edit->font());
  const QRect contents = line_edit->contentsRect() - line_edit->textMargins();
  const int left = contents.left() + 2 + metrics.horizontalAdvance(text.left(offset));
  const QRect local(left, contents.center().y() - metrics.height() / 2,
                    metrics.horizontalAdvance(text.at(offset)), metrics.height());
  return {line_edit->mapToGlobal(local.topLeft()), local.size()};
}

int AccessibleLineEdit::offsetAtPoint(const QPoint& point) const {
  const QPoint local = LineEdit()->mapFromGlobal(point);
  if (!LineEdit()->rect().contains(local)) return -1;
  return LineEdit()->cursorPositionAt(local);
}

void AccessibleLineEdit::scrollToSubstring(int /*start*/, int end) {
  LineEdit()->setCursorPosition(end);
}

QString AccessibleLineEdit::attributes(int /*offset*/, int* start, int* end) const {
  // One run of default attributes over the whole text.
  *start = 0;
  *end = characterCount();
  return {};
}

void AccessibleLineEdit::deleteText(int start, int end) { replaceText(start, end, {}); }

void AccessibleLineEdit::insertText(int offset, const QString& text) {
  replaceText(offset, offset, text);
}

void AccessibleLineEdit::replaceText(int start, int end, const QString& text) {
  if (LineEdit()->isReadOnly()) return;
  LineEdit()->setText(LineEdit()->text().replace(start, end - start, text));
}

void InstallAccessibleInterfaces() { QAccessible::installFactory(Factory); }

}  // namespace voltarik
