// Any price and disk texts and monitor choices through a run of Start, ticks and Stop with a
// recording view. The only failures are the declared ones, at the cost step; the total never
// decreases; the disk box only ever gets "6".
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/meter.h"

namespace {

std::u16string ConsumeText(FuzzedDataProvider& input) {
  std::u16string text;
  const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
    // Mostly the characters people type into these boxes; now and then any code unit.
    text.push_back(input.ConsumeBool() ? input.PickValueInArray(u"0123456789,.-+eE ")
                                       : input.ConsumeIntegral<char16_t>());
  }
  return text;
}

class FuzzView : public voltarik::MeterView {
 public:
  voltarik::MonitorKind monitor = voltarik::MonitorKind::Lcd;
  voltarik::Settings settings;
  bool last_was_total = false;

  void SetLampColor(voltarik::IndicatorLamp, voltarik::RgbColor) override {
    last_was_total = false;
  }
  voltarik::MonitorKind SelectedMonitor() override { return monitor; }
  void ShowWarning(std::u16string_view, std::u16string_view) override {}
  void SetDiskCountBox(std::u16string_view text) override {
    if (text != u"6") std::abort();
    settings.disk_count_text = text;
  }
  void SetDisplayText(voltarik::DisplayField field, std::u16string_view) override {
    last_was_total = field == voltarik::DisplayField::TotalDisplay;
  }
  voltarik::Settings ReadSettings() override { return settings; }
  void SetTimerRunning(voltarik::MeterTimer, bool) override {}
  void SetClockText(std::u16string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const voltarik::ValueText value_text(voltarik::Locale{
      input.ConsumeBool() ? u"," : u".", [](voltarik::TimeOfDay) { return std::u16string(); }});
  voltarik::MeterState state;
  FuzzView view;
  view.settings = {ConsumeText(input), ConsumeText(input)};
  voltarik::StartMeasuring(state, view);

  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0:
        view.settings = {ConsumeText(input), ConsumeText(input)};
        voltarik::StartMeasuring(state, view);
        break;
      case 1:
        voltarik::StopMeasuring(view);
        break;
      case 2:
        view.monitor = input.PickValueInArray(
            {voltarik::MonitorKind::Crt, voltarik::MonitorKind::Lcd, voltarik::MonitorKind::Off});
        break;
      case 3:
        voltarik::RunBlinkTick(view, value_text);
        break;
      case 4:
        // A total the program can reach: whole millionths of a kWh, up to decades of measuring.
        state.TotalEnergy =
            static_cast<double>(input.ConsumeIntegralInRange<std::int64_t>(0, 100'000'000'000)) /
            1e6;
        break;
      default: {
        const double before = state.TotalEnergy;
        try {
          voltarik::RunMeterTick(state, view, value_text);
        } catch (const voltarik::ValueTextError&) {
          if (!view.last_was_total) std::abort();  // failed before the cost step
        }
        if (!(state.TotalEnergy >= before) || !std::isfinite(state.TotalEnergy)) std::abort();
        break;
      }
    }
  }
  return 0;
}
