#ifndef VOLTARIK_WINDOW_PUSH_BUTTON_H_
#define VOLTARIK_WINDOW_PUSH_BUTTON_H_

#include <QPushButton>

namespace voltarik {

// A push button that Return and keypad Enter press when it has the focus, as Space does. Outside
// dialogs Qt's buttons answer Space only, and keyboard users expect Return to work too.
class PushButton : public QPushButton {
  Q_OBJECT

 public:
  PushButton(const QString& text, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_PUSH_BUTTON_H_
