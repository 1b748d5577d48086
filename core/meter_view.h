// The metering core's only view of the window: the values it names on screen and the operations it
// asks the window for. The window implements MeterView on its controls; tests implement it with a
// recorder. The core never touches a control itself.
#ifndef VOLTARIK_CORE_METER_VIEW_H_
#define VOLTARIK_CORE_METER_VIEW_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace voltarik {

// One per option of the window's monitor group.
enum class MonitorKind { Crt, Lcd, Off };

// The two small lamps beside the power and the total displays.
enum class IndicatorLamp { PowerLamp, TotalLamp };

// The five display captions the one-second tick writes, top to bottom (the window indexes its
// displays by this order).
enum class DisplayField {
  PowerDisplay,
  CurrentDisplay,
  HourlyEnergyDisplay,
  TotalDisplay,
  CostDisplay
};
inline constexpr std::size_t kDisplayFieldCount =
    static_cast<std::size_t>(DisplayField::CostDisplay) + 1;

// The window's two repeating timers: the one-second metering tick and the half-second blink tick.
enum class MeterTimer { Timer1, Timer2 };

struct RgbColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(RgbColor, RgbColor) = default;
};

inline constexpr RgbColor kGreen{0x00, 0xFF, 0x00};
inline constexpr RgbColor kRed{0xFF, 0x00, 0x00};
inline constexpr RgbColor kBlue{0x00, 0x00, 0xFF};
inline constexpr RgbColor kBlack{0x00, 0x00, 0x00};

// The contents of the price box and the disk-count box, as typed.
struct Settings {
  std::u16string price_text;
  std::u16string disk_count_text;
};

class MeterView {
 public:
  virtual ~MeterView() = default;

  virtual void SetLampColor(IndicatorLamp lamp, RgbColor color) = 0;
  // The monitor kind whose option is selected now.
  virtual MonitorKind SelectedMonitor() = 0;
  // A modal message with one OK button and no icon; returns when the user has closed it.
  virtual void ShowWarning(std::u16string_view prompt, std::u16string_view title) = 0;
  virtual void SetDiskCountBox(std::u16string_view text) = 0;
  virtual void SetDisplayText(DisplayField field, std::u16string_view text) = 0;
  virtual Settings ReadSettings() = 0;
  virtual void SetTimerRunning(MeterTimer timer, bool running) = 0;
  virtual void SetClockText(std::u16string_view text) = 0;
};

}  // namespace voltarik

#endif  // VOLTARIK_CORE_METER_VIEW_H_
