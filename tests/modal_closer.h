// Closes the next modal message box as soon as it is open, recording what it said, so a test can
// drive code that waits for the user to press OK.
#ifndef VOLTARIK_TESTS_MODAL_CLOSER_H_
#define VOLTARIK_TESTS_MODAL_CLOSER_H_

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>

namespace voltarik::testing {

struct ModalBoxSeen {
  int count = 0;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat text_format = Qt::AutoText;
};

// Polls for a modal message box; when one is open, runs `while_open` and presses its OK button.
// Keeps watching for as long as it lives, so a second box would be counted too.
class ModalCloser {
 public:
  explicit ModalCloser(std::function<void()> while_open = {}) : while_open_(std::move(while_open)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(5);
  }
  const ModalBoxSeen& seen() const { return seen_; }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    ++seen_.count;
    seen_.title = box->windowTitle();
    seen_.text = box->text();
    seen_.icon = box->icon();
    seen_.buttons = box->standardButtons();
    seen_.text_format = box->textFormat();
    if (while_open_) while_open_();
    box->button(QMessageBox::Ok)->click();
  }

  std::function<void()> while_open_;
  QTimer poll_;
  ModalBoxSeen seen_;
};

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_MODAL_CLOSER_H_
