// The program's one window. It carries every control, owns the meter state and the two timers,
// and implements the views the metering core and the news fetch ask for. Its handlers are thin:
// each event calls one core action.
#ifndef VOLTARIK_WINDOW_FORM1_H_
#define VOLTARIK_WINDOW_FORM1_H_

#include <QString>
#include <QTimer>
#include <QWidget>

#include "core/meter.h"
#include "news/news_fetch.h"
#include "window/controls.h"

namespace voltarik {

class Form1 : public QWidget, public MeterView, public NewsView {
  Q_OBJECT

 public:
  Form1(Locale locale, HttpGetText http_get_text, QWidget* parent = nullptr);

  // Event handlers, named after their control and event.
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Timer1_Timer();
  void Timer2_Timer();

  // MeterView
  void SetLampColor(IndicatorLamp lamp, RgbColor color) override;
  MonitorKind SelectedMonitor() override;
  void ShowWarning(std::u16string_view prompt, std::u16string_view title) override;
  void SetDiskCountBox(std::u16string_view text) override;
  void SetDisplayText(DisplayField field, std::u16string_view text) override;
  Settings ReadSettings() override;
  void SetTimerRunning(MeterTimer timer, bool running) override;
  void SetClockText(std::u16string_view text) override;

  // NewsView
  void SetNewsText(const QString& text) override;

  // Moves the window, with its frame when that is known, to the middle of its screen, for its
  // first showing.
  void CenterOnScreen();

 protected:
  bool event(QEvent* event) override;

 private:
  // The window has a fixed size and offers no maximise, but a decoration drawn by the toolkit
  // (on Wayland compositors that draw none) may still ask the compositor to maximise it, which
  // would only move it into a corner. Such a request is taken back at once, before the window is
  // drawn anywhere else, so it stays where and as it is.
  void KeepUnmaximised(Qt::WindowState state);
  // Runs a modal message box. The event thread counts as busy meanwhile, so ticks that fall due
  // are dropped rather than run inside the box or queued behind it.
  void ShowMessage(const QString& title, const QString& text, bool warning_icon);
  // The failure path of the metering tick: measuring stops as Stop stops it and the user is told
  // what went wrong; the total and every display are kept, so a Start with a corrected price
  // continues the same total.
  void ReportFailure(const ValueTextError& error);

  // First, so it is set before the timers and controls below, whose construction already sends
  // this window events.
  bool centred_with_frame_ = false;
  Controls controls_;
  MeterState state_;
  QString decimal_separator_;  // for the failure message's example
  ValueText value_text_;
  HttpGetText http_get_text_;
  QTimer timer1_;
  QTimer timer2_;
  bool event_thread_busy_ = false;
};

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_FORM1_H_
