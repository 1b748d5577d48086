// The baseline for the program's own cost: a window with the same controls and the same two
// running timers, and nothing else: no meter, no news fetch, no handlers.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "core/meter.h"
#include "window/control_table.h"
#include "window/controls.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  window.setFont(voltarik::WindowFont());
  window.setFixedSize(voltarik::kClientWidthTwips / voltarik::kTwipsPerPixel,
                      voltarik::kClientHeightTwips / voltarik::kTwipsPerPixel);
  voltarik::BuildControls(window);
  QTimer timer1;
  QTimer timer2;
  timer1.start(voltarik::kTimer1IntervalMs);
  timer2.start(voltarik::kTimer2IntervalMs);
  window.show();
  return QApplication::exec();
}
