#include "core/meter.h"

#include <array>
#include <cmath>
#include <string>
#include <string_view>

namespace voltarik {
namespace {

struct DiskRow {
  std::u16string_view disk_count_text;
  double added_power;  // W
};

// Keyed by the exact text of the disk count; five disks add 165 W, not 175.
constexpr std::array<DiskRow, 6> kDiskTable{{
    {u"1", 35},
    {u"2", 70},
    {u"3", 105},
    {u"4", 140},
    {u"5", 165},
    {u"6", 200},
}};

constexpr std::int16_t kMostDisks = 6;
constexpr double kMainsVoltage = 230;  // V
constexpr double kWattsPerKilowatt = 1000;
constexpr double kSecondsPerHour = 3600;

constexpr std::u16string_view kTooManyDisksPrompt = u"Nechápu kam jsi nacpal tolik disků";
constexpr std::u16string_view kTooManyDisksTitle = u"To snad né ?? ";

}  // namespace

std::int16_t BasePower(MonitorKind monitor) {
  switch (monitor) {
    case MonitorKind::Crt:
      return 350;
    case MonitorKind::Lcd:
      return 140;
    case MonitorKind::Off:
      return 115;
  }
  return 115;
}

void RunMeterTick(MeterState& state, MeterView& view, const ValueText& value_text) {
  view.SetLampColor(IndicatorLamp::PowerLamp, kRed);

  state.PowerText = ValueText::IntegerToText(BasePower(view.SelectedMonitor()));

  for (const DiskRow& row : kDiskTable) {
    if (ValueText::CompareBinary(state.DiskCountText, row.disk_count_text) == 0) {
      state.PowerText =
          value_text.NumberToText(value_text.TextToNumber(state.PowerText) + row.added_power);
    }
  }

  // The comparison is ordinal, so "7", "60" and "abc" sort after "6" while "10" and "" do not.
  const std::u16string most_disks = ValueText::IntegerToText(kMostDisks);
  if (ValueText::CompareBinary(state.DiskCountText, most_disks) == 1) {
    view.ShowWarning(kTooManyDisksPrompt, kTooManyDisksTitle);
    view.SetDiskCountBox(most_disks);
    state.DiskCountText = most_disks;
  }

  view.SetDisplayText(DisplayField::PowerDisplay, u"  " + state.PowerText + u" W");

  const double power = value_text.TextToNumber(state.PowerText);
  state.CurrentText = value_text.NumberToText(power / kMainsVoltage);

  const double current = value_text.TextToNumber(state.CurrentText);
  view.SetDisplayText(
      DisplayField::CurrentDisplay,
      u"  " + value_text.NumberToText(ValueText::RoundHalfEven(current, 2)) + u" A");

  state.HourlyEnergyText = u"  " + value_text.NumberToText(power / kWattsPerKilowatt);
  state.HourlyEnergyCaption = state.HourlyEnergyText + u" KWh";
  view.SetDisplayText(DisplayField::HourlyEnergyDisplay, state.HourlyEnergyCaption);

  state.TickEnergyText = value_text.NumberToText(power / kWattsPerKilowatt / kSecondsPerHour);

  // Rounding after every addition makes each tick add its energy rounded to a millionth of a kWh.
  state.TotalEnergy = value_text.TextToNumber(state.TickEnergyText) + state.TotalEnergy;
  state.TotalEnergy = ValueText::RoundHalfEven(state.TotalEnergy, 6);

  view.SetDisplayText(DisplayField::TotalDisplay,
                      value_text.NumberToText(state.TotalEnergy) + u" KWh");

  const double cost = value_text.TextToNumber(state.PriceText) * state.TotalEnergy;
  if (!std::isfinite(cost)) throw OverflowError(state.PriceText);
  view.SetDisplayText(DisplayField::CostDisplay, value_text.NumberToText(cost) + u" Kč");

  view.SetLampColor(IndicatorLamp::TotalLamp, kGreen);
}

void StartMeasuring(MeterState& state, MeterView& view) {
  view.SetTimerRunning(MeterTimer::Timer1, true);
  view.SetTimerRunning(MeterTimer::Timer2, true);
  Settings settings = view.ReadSettings();
  state.PriceText = std::move(settings.price_text);
  state.DiskCountText = std::move(settings.disk_count_text);
}

void StopMeasuring(MeterView& view) {
  view.SetTimerRunning(MeterTimer::Timer1, false);
  view.SetTimerRunning(MeterTimer::Timer2, false);
}

void RunBlinkTick(MeterView& view, const ValueText& value_text) {
  view.SetLampColor(IndicatorLamp::PowerLamp, kGreen);
  view.SetLampColor(IndicatorLamp::TotalLamp, kRed);
  std::u16string clock = u" ";
  clock += value_text.TimeOfDayText();
  view.SetClockText(clock);
}

}  // namespace voltarik
