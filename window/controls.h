#ifndef VOLTARIK_WINDOW_CONTROLS_H_
#define VOLTARIK_WINDOW_CONTROLS_H_

#include <QFont>
#include <QWidget>
#include <array>

#include "window/control_table.h"
#include "window/display_label.h"
#include "window/lamp.h"
#include "window/push_button.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace voltarik {

// The controls the window talks to, by role. Each keeps its table name as its object name.
struct Controls {
  // The controls the table gives a DisplayField, indexed by it.
  std::array<DisplayLabel*, kDisplayFieldCount> displays;
  Lamp* power_lamp;           // Label6
  Lamp* total_lamp;           // Label10
  DisplayLabel* clock;        // Label12
  QLineEdit* price_box;       // Text1
  QLineEdit* disk_count_box;  // Text2
  QRadioButton* crt_option;   // Option1
  QRadioButton* lcd_option;   // Option2
  QRadioButton* off_option;   // Option3
  PushButton* start_button;   // Command1
  PushButton* stop_button;    // Command2
  QPlainTextEdit* news_box;   // Text3
};

// The font a table row asks for, on top of the window's font. Sizes are set in pixels at 96 dots
// per inch, so text keeps its size against the twip geometry whatever DPI the screen reports;
// high-DPI scaling then enlarges both alike.
QFont FontFor(const FontSpec& wanted, const QFont& window_font);

// The window's own font: the classic dialog face at 8.25 points.
QFont WindowFont();

// Creates every control of the table on `form`, with its initial state and the tab order. Stops
// the program with a message when the table lacks a control the window needs.
Controls BuildControls(QWidget& form);

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_CONTROLS_H_
