#ifndef VOLTARIK_WINDOW_SEPARATOR_LINE_H_
#define VOLTARIK_WINDOW_SEPARATOR_LINE_H_

#include <QFrame>

namespace voltarik {

// The line under the buttons: a plain horizontal line, which screen readers are told is a
// separator. A bare QFrame would be an unnamed frame to them (an unnamed panel from Qt 6.8 on),
// which they stop at and cannot say anything of.
class SeparatorLine : public QFrame {
  Q_OBJECT

 public:
  explicit SeparatorLine(QWidget* parent = nullptr);
};

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_SEPARATOR_LINE_H_
