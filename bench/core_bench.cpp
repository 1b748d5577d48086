// Costs of the value texts and of one metering tick, with a view that does nothing, so the figure
// is the core's own work.
#include <benchmark/benchmark.h>

#include <string>

#include "core/meter.h"

namespace voltarik {
namespace {

class NullView : public MeterView {
 public:
  void SetLampColor(IndicatorLamp, RgbColor) override {}
  MonitorKind SelectedMonitor() override { return MonitorKind::Lcd; }
  void ShowWarning(std::u16string_view, std::u16string_view) override {}
  void SetDiskCountBox(std::u16string_view) override {}
  void SetDisplayText(DisplayField, std::u16string_view text) override {
    benchmark::DoNotOptimize(text.data());
  }
  Settings ReadSettings() override { return {u"2,65", u"2"}; }
  void SetTimerRunning(MeterTimer, bool) override {}
  void SetClockText(std::u16string_view) override {}
};

ValueText CommaValueText() {
  return ValueText(Locale{u",", [](const TimeOfDay&) { return std::u16string(u"14:05:33"); }});
}

void BM_NumberToText(benchmark::State& state) {
  const ValueText value_text = CommaValueText();
  double value = 210.0 / 1000 / 3600;
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    std::u16string text = value_text.NumberToText(value);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_NumberToText);

void BM_TextToNumber(benchmark::State& state) {
  const ValueText value_text = CommaValueText();
  const std::u16string text = u"5,83333333333333E-05";
  for (auto _ : state) {
    benchmark::DoNotOptimize(value_text.TextToNumber(text));
  }
}
BENCHMARK(BM_TextToNumber);

void BM_RunMeterTick(benchmark::State& state) {
  const ValueText value_text = CommaValueText();
  NullView view;
  MeterState meter;
  StartMeasuring(meter, view);
  for (auto _ : state) {
    RunMeterTick(meter, view, value_text);
  }
}
BENCHMARK(BM_RunMeterTick);

}  // namespace
}  // namespace voltarik
