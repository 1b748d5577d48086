// A MeterView that records every call as a line of text, so tests can assert the exact order of
// what the core asks of the window, and answers with settings the test chooses.
#ifndef VOLTARIK_TESTS_RECORDING_VIEW_H_
#define VOLTARIK_TESTS_RECORDING_VIEW_H_

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/meter_view.h"
#include "tests/test_support.h"

namespace voltarik::testing {

class RecordingView : public MeterView {
 public:
  MonitorKind monitor = MonitorKind::Lcd;
  Settings settings{u"2,65", u"2"};
  std::vector<std::string> calls;
  std::map<DisplayField, std::u16string> displays;

  void SetLampColor(IndicatorLamp lamp, RgbColor color) override {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", color.red, color.green, color.blue);
    calls.push_back(std::string("lamp ") +
                    (lamp == IndicatorLamp::PowerLamp ? "PowerLamp " : "TotalLamp ") + hex);
  }
  MonitorKind SelectedMonitor() override {
    calls.emplace_back("monitor?");
    return monitor;
  }
  void ShowWarning(std::u16string_view prompt, std::u16string_view title) override {
    calls.push_back("warning " + Utf8(prompt) + " | " + Utf8(title));
  }
  void SetDiskCountBox(std::u16string_view text) override {
    calls.push_back("disk box " + Utf8(text));
  }
  void SetDisplayText(DisplayField field, std::u16string_view text) override {
    static const std::map<DisplayField, std::string> kNames{
        {DisplayField::PowerDisplay, "power"},
        {DisplayField::CurrentDisplay, "current"},
        {DisplayField::HourlyEnergyDisplay, "hourly"},
        {DisplayField::TotalDisplay, "total"},
        {DisplayField::CostDisplay, "cost"}};
    calls.push_back(kNames.at(field) + " [" + Utf8(text) + "]");
    displays[field] = text;
  }
  Settings ReadSettings() override {
    calls.emplace_back("settings?");
    return settings;
  }
  void SetTimerRunning(MeterTimer timer, bool running) override {
    calls.push_back(std::string(timer == MeterTimer::Timer1 ? "Timer1 " : "Timer2 ") +
                    (running ? "on" : "off"));
  }
  void SetClockText(std::u16string_view text) override {
    calls.push_back("clock [" + Utf8(text) + "]");
  }

  std::string Display(DisplayField field) const {
    const auto found = displays.find(field);
    return found == displays.end() ? "(never set)" : Utf8(found->second);
  }
  int Count(const std::string& prefix) const {
    int count = 0;
    for (const std::string& call : calls) count += call.starts_with(prefix) ? 1 : 0;
    return count;
  }
};

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_RECORDING_VIEW_H_
