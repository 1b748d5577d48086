#include "window/display_label.h"

#include <QFontMetrics>

namespace voltarik {

int FittingPixelSize(const QFont& font, const QString& text, int width) {
  QFont trial = font;
  int size = font.pixelSize();
  while (size > 1 && QFontMetrics(trial).horizontalAdvance(text) > width) {
    trial.setPixelSize(--size);
  }
  return size;
}

DisplayLabel::DisplayLabel(const QString& text, const QFont& table_font, QWidget* parent)
    : QLabel(parent), table_font_(table_font) {
  setTextFormat(Qt::PlainText);  // no text the program shows is read as markup
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setText(text);  // the table's texts fit
}

void DisplayLabel::ShowText(const QString& text) {
  // The tick rewrites most displays with the text they show; that costs no measuring.
  if (text == this->text()) return;
  const int size = FittingPixelSize(table_font_, text, contentsRect().width());
  if (size != font().pixelSize()) {
    QFont fitted = table_font_;
    fitted.setPixelSize(size);
    setFont(fitted);
  }
  setText(text);
}

}  // namespace voltarik
