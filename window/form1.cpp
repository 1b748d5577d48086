#include "window/form1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "window/accessible_line_edit.h"
#include "window/failure_message.h"
#include "window/qt_text.h"

namespace voltarik {
namespace {

// Sets a flag for the lifetime of a scope.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy), was_busy_(std::exchange(busy, true)) {}
  ~BusyScope() { busy_ = was_busy_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
  bool was_busy_;
};

}  // namespace

Form1::Form1(Locale locale, HttpGetText http_get_text, QWidget* parent)
    : QWidget(parent),
      decimal_separator_(ToQString(locale.decimal_separator)),
      value_text_(std::move(locale)),
      http_get_text_(std::move(http_get_text)),
      timer1_(this),
      timer2_(this) {
  // Before any control exists, so that none gets Qt's own interface first.
  [[maybe_unused]] static const bool accessible_interfaces_installed =
      (InstallAccessibleInterfaces(), true);
  setObjectName(QStringLiteral("Form1"));
  // The window has a fixed size, so the window manager is not offered to maximise it.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setFont(WindowFont());
  setFixedSize(kClientWidthTwips / kTwipsPerPixel, kClientHeightTwips / kTwipsPerPixel);
  controls_ = BuildControls(*this);
  controls_.price_box->setFocus();

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(kTimer1IntervalMs);
  timer2_.setObjectName(QStringLiteral("Timer2"));
  timer2_.setInterval(kTimer2IntervalMs);
  connect(&timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
  connect(&timer2_, &QTimer::timeout, this, &Form1::Timer2_Timer);
  connect(controls_.start_button, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(controls_.stop_button, &QPushButton::clicked, this, &Form1::Command2_Click);
  timer2_.start();
}

void Form1::Form_Load() {
  BusyScope busy(event_thread_busy_);
  FetchNews(*this, http_get_text_);
}

void Form1::Command1_Click() { StartMeasuring(state_, *this); }

void Form1::Command2_Click() { StopMeasuring(*this); }

void Form1::Timer1_Timer() {
  if (event_thread_busy_) return;
  try {
    RunMeterTick(state_, *this, value_text_);
  } catch (const ValueTextError& error) {
    ReportFailure(error);
  }
}

void Form1::Timer2_Timer() {
  if (event_thread_busy_) return;
  RunBlinkTick(*this, value_text_);
}

void Form1::SetLampColor(IndicatorLamp lamp, RgbColor color) {
  Lamp* target = lamp == IndicatorLamp::PowerLamp ? controls_.power_lamp : controls_.total_lamp;
  target->SetColor(QColor(color.red, color.green, color.blue));
}

MonitorKind Form1::SelectedMonitor() {
  if (controls_.crt_option->isChecked()) return MonitorKind::Crt;
  if (controls_.lcd_option->isChecked()) return MonitorKind::Lcd;
  return MonitorKind::Off;
}

void Form1::ShowWarning(std::u16string_view prompt, std::u16string_view title) {
  ShowMessage(ToQString(title), ToQString(prompt), false);
}

void Form1::SetDiskCountBox(std::u16string_view text) {
  controls_.disk_count_box->setText(ToQString(text));
}

void Form1::SetDisplayText(DisplayField field, std::u16string_view text) {
  // An unchanged text repaints nothing.
  controls_.displays.at(static_cast<std::size_t>(field))->ShowText(ToQString(text));
}

Settings Form1::ReadSettings() {
  return Settings{ToU16String(controls_.price_box->text()),
                  ToU16String(controls_.disk_count_box->text())};
}

void Form1::SetTimerRunning(MeterTimer timer, bool running) {
  QTimer& qt_timer = timer == MeterTimer::Timer1 ? timer1_ : timer2_;
  if (running) {
    qt_timer.start();
  } else {
    qt_timer.stop();
  }
}

void Form1::SetClockText(std::u16string_view text) { controls_.clock->ShowText(ToQString(text)); }

void Form1::SetNewsText(const QString& text) { controls_.news_box->setPlainText(text); }

bool Form1::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Show) {
    connect(windowHandle(), &QWindow::windowStateChanged, this, &Form1::KeepUnmaximised,
            Qt::UniqueConnection);
  }
  // Centred before its first showing, the window's frame is not known yet, and a window manager
  // adds it around the centred client area. Once the frame is known, the whole is centred once.
  if (!centred_with_frame_ && (type == QEvent::Move || type == QEvent::Resize) && isVisible() &&
      frameGeometry().size() != size()) {
    centred_with_frame_ = true;
    CenterOnScreen();
  }
  return QWidget::event(event);
}

void Form1::KeepUnmaximised(Qt::WindowState state) {
  if (state == Qt::WindowMaximized) {
    windowHandle()->setWindowStates(windowHandle()->windowStates() & ~Qt::WindowMaximized);
  }
}

void Form1::CenterOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void Form1::ShowMessage(const QString& title, const QString& text, bool warning_icon) {
  BusyScope busy(event_thread_busy_);
  QMessageBox box(warning_icon ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void Form1::ReportFailure(const ValueTextError& error) {
  StopMeasuring(*this);
  ShowMessage(QString::fromUtf8(kFailureTitle), FailureMessage(error, decimal_separator_), true);
}

}  // namespace voltarik
