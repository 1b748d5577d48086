#ifndef VOLTARIK_WINDOW_ACCESSIBLE_LINE_EDIT_H_
#define VOLTARIK_WINDOW_ACCESSIBLE_LINE_EDIT_H_

#include <QAccessibleWidget>

class QLineEdit;

namespace voltarik {

// What a screen reader reads of the two settings boxes, in place of Qt 6.4's own line-edit
// interface, which fails screen readers in two ways: its text-attribute runs are empty, so Orca
// speaks "2,6" for "2,65"; and asked for the word or sentence at the end of the text it never
// answers and spins a core. Here the attribute run covers the whole text and every boundary query
// answers at once. Built on public Qt API only.
class AccessibleLineEdit : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
 public:
  explicit AccessibleLineEdit(QLineEdit* line_edit);

  QString text(QAccessible::Text t) const override;
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // QAccessibleTextInterface
  void selection(int index, int* start, int* end) const override;
  int selectionCount() const override;
  void addSelection(int start, int end) override;
  void removeSelection(int index) override;
  void setSelection(int index, int start, int end) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int start, int end) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                           int* end) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                          int* end) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                       int* end) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int start, int end) override;
  QString attributes(int offset, int* start, int* end) const override;

  // QAccessibleEditableTextInterface
  void deleteText(int start, int end) override;
  void insertText(int offset, const QString& text) override;
  void replaceText(int start, int end, const QString& text) override;

 private:
  QLineEdit* LineEdit() const;
};

// Makes Qt build the interfaces above for the program's line edits, present the lamps as labels,
// and present the main window
// as a window (a frame, whose title a screen reader reads on demand) rather than a generic
// container. Call once, before the window is built.
void InstallAccessibleInterfaces();

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_ACCESSIBLE_LINE_EDIT_H_
