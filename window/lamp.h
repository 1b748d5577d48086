#ifndef VOLTARIK_WINDOW_LAMP_H_
#define VOLTARIK_WINDOW_LAMP_H_

#include <QColor>
#include <QWidget>

namespace voltarik {

// One of the two small indicator lamps: a rectangle filled with one colour. The lamps change
// colour four times a second while measuring, so a change costs one fill of a few pixels and
// nothing more (no palette propagation, no label painting).
class Lamp : public QWidget {
  Q_OBJECT

 public:
  explicit Lamp(QWidget* parent = nullptr);

  QColor color() const { return color_; }
  void SetColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_LAMP_H_
