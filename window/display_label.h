#ifndef VOLTARIK_WINDOW_DISPLAY_LABEL_H_
#define VOLTARIK_WINDOW_DISPLAY_LABEL_H_

#include <QFont>
#include <QLabel>

namespace voltarik {

// A display of fixed size (a figure or the clock) that always shows its whole text: when the text
// is wider than the display, the font (same face, same weight) shrinks until it fits, and goes
// back to the table's size once the text fits again. The text itself is never cut or changed.
class DisplayLabel : public QLabel {
  Q_OBJECT

 public:
  // `table_font` is the font the table gives the display; the caller sets it on the label too.
  DisplayLabel(const QString& text, const QFont& table_font, QWidget* parent);

  void ShowText(const QString& text);

 private:
  QFont table_font_;
};

// The largest pixel size, at most `font`'s own, at which `text` fits `width` pixels in `font`'s
// face; 1 when even that is too wide.
int FittingPixelSize(const QFont& font, const QString& text, int width);

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_DISPLAY_LABEL_H_
