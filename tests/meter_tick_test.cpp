#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/meter.h"
#include "tests/recording_view.h"
#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

using Field = DisplayField;

const std::string kWarning = "warning Nechápu kam jsi nacpal tolik disků | To snad né ?? ";

class MeterTickTest : public ::testing::Test {
 protected:
  MeterState state_;
  RecordingView view_;
  ValueText value_text_ = CommaValueText();

  void Tick() { RunMeterTick(state_, view_, value_text_); }
  void Measure(MonitorKind monitor, std::u16string disks, std::u16string price = u"2,65") {
    view_.monitor = monitor;
    state_.DiskCountText = std::move(disks);
    state_.PriceText = std::move(price);
  }
};

TEST_F(MeterTickTest, WorkedExampleOverThreeTicks) {
  Measure(MonitorKind::Lcd, u"2");
  const char* totals[] = {"5,8E-05 KWh", "0,000116 KWh", "0,000174 KWh"};
  const char* costs[] = {"0,0001537 Kč", "0,0003074 Kč", "0,0004611 Kč"};
  for (int tick = 0; tick < 3; ++tick) {
    SCOPED_TRACE("tick " + std::to_string(tick + 1));
    view_.calls.clear();
    Tick();
    EXPECT_EQ(view_.calls,
              (std::vector<std::string>{
                  "lamp PowerLamp FF0000", "monitor?", "power [  210 W]", "current [  0,91 A]",
                  "hourly [  0,21 KWh]", std::string("total [") + totals[tick] + "]",
                  std::string("cost [") + costs[tick] + "]", "lamp TotalLamp 00FF00"}));
    EXPECT_EQ(Utf8(state_.CurrentText), "0,91304347826087");
    EXPECT_EQ(Utf8(state_.TickEnergyText), "5,83333333333333E-05");
    EXPECT_EQ(Utf8(state_.HourlyEnergyText), "  0,21");
    EXPECT_EQ(Utf8(state_.HourlyEnergyCaption), "  0,21 KWh");
    EXPECT_EQ(Utf8(state_.PowerText), "210");
  }
}

TEST_F(MeterTickTest, SevenDisksWarnOnceThenCountAsSix) {
  Measure(MonitorKind::Crt, u"7");
  Tick();
  EXPECT_EQ(view_.calls,
            (std::vector<std::string>{"lamp PowerLamp FF0000", "monitor?", kWarning, "disk box 6",
                                      "power [  350 W]", "current [  1,52 A]",
                                      "hourly [  0,35 KWh]", "total [9,7E-05 KWh]",
                                      "cost [0,00025705 Kč]", "lamp TotalLamp 00FF00"}));
  EXPECT_EQ(state_.DiskCountText, u"6");

  view_.calls.clear();
  Tick();
  EXPECT_EQ(view_.Count("warning"), 0);
  EXPECT_EQ(view_.Display(Field::PowerDisplay), "  550 W");
  EXPECT_EQ(view_.Display(Field::CurrentDisplay), "  2,39 A");
  EXPECT_EQ(view_.Display(Field::HourlyEnergyDisplay), "  0,55 KWh");
  EXPECT_EQ(Utf8(state_.TickEnergyText), "0,000152777777777778");
  EXPECT_EQ(view_.Display(Field::TotalDisplay), "0,00025 KWh");
}

TEST_F(MeterTickTest, TotalsAt315WattsFollowTheRoundedHalves) {
  // One second at 315 W reads back as 8,75E-05: every sum sits at or near a half millionth.
  Measure(MonitorKind::Off, u"6");
  const char* totals[] = {"8,8E-05 KWh", "0,000175 KWh", "0,000262 KWh",
                          "0,00035 KWh", "0,000438 KWh", "0,000526 KWh"};
  for (const char* total : totals) {
    Tick();
    EXPECT_EQ(view_.Display(Field::TotalDisplay), total);
  }
  EXPECT_EQ(Utf8(state_.TickEnergyText), "8,75E-05");
}

struct PowerCase {
  const char* name;
  MonitorKind monitor;
  std::u16string disks;
  const char* power;
  const char* current;
  const char* hourly;
  friend void PrintTo(const PowerCase& row, std::ostream* out) { *out << row.name; }
};

class TickPowerTest : public MeterTickTest, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(TickPowerTest, ShowsPowerCurrentAndHourlyEnergy) {
  Measure(GetParam().monitor, GetParam().disks);
  Tick();
  EXPECT_EQ(view_.Display(Field::PowerDisplay), GetParam().power);
  EXPECT_EQ(view_.Display(Field::CurrentDisplay), GetParam().current);
  EXPECT_EQ(view_.Display(Field::HourlyEnergyDisplay), GetParam().hourly);
}

INSTANTIATE_TEST_SUITE_P(
    Draws, TickPowerTest,
    ::testing::Values(
        PowerCase{"monitor off no disks has no trailing zero", MonitorKind::Off, u"", "  115 W",
                  "  0,5 A", "  0,115 KWh"},
        PowerCase{"monitor off two disks", MonitorKind::Off, u"2", "  185 W", "  0,8 A",
                  "  0,185 KWh"},
        PowerCase{"largest draw crt six disks", MonitorKind::Crt, u"6", "  550 W", "  2,39 A",
                  "  0,55 KWh"},
        PowerCase{"five disks add 165", MonitorKind::Lcd, u"5", "  305 W", "  1,33 A",
                  "  0,305 KWh"},
        PowerCase{"one disk", MonitorKind::Lcd, u"1", "  175 W", "  0,76 A", "  0,175 KWh"},
        PowerCase{"three disks", MonitorKind::Lcd, u"3", "  245 W", "  1,07 A", "  0,245 KWh"},
        PowerCase{"four disks", MonitorKind::Lcd, u"4", "  280 W", "  1,22 A", "  0,28 KWh"}),
    [](const auto& info) { return Slug(info.param.name); });

struct DiskCase {
  const char* name;
  std::u16string disks;
  bool warns;
  friend void PrintTo(const DiskCase& row, std::ostream* out) { *out << row.name; }
};

class TickDiskTest : public MeterTickTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(TickDiskTest, OnlyTextsSortingAfterSixWarnAndReset) {
  Measure(MonitorKind::Crt, GetParam().disks);
  view_.settings.disk_count_text = GetParam().disks;
  Tick();
  // No row matches any of these texts, so the power never has a disk addition on this tick.
  EXPECT_EQ(view_.Display(Field::PowerDisplay), "  350 W");
  EXPECT_EQ(view_.Count("warning"), GetParam().warns ? 1 : 0);
  EXPECT_EQ(view_.Count("disk box 6"), GetParam().warns ? 1 : 0);
  EXPECT_EQ(state_.DiskCountText, GetParam().warns ? u"6" : GetParam().disks);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TickDiskTest,
    ::testing::Values(DiskCase{"seven", u"7", true}, DiskCase{"nine", u"9", true},
                      DiskCase{"sixty", u"60", true}, DiskCase{"six and a letter", u"6a", true},
                      DiskCase{"letters", u"abc", true}, DiskCase{"capital", u"A", true},
                      DiskCase{"ten sorts before six", u"10", false},
                      DiskCase{"minus one", u"-1", false},
                      DiskCase{"blank then seven", u" 7", false}, DiskCase{"empty", u"", false},
                      DiskCase{"zero", u"0", false}, DiskCase{"leading zero", u"02", false}),
    [](const auto& info) { return Slug(info.param.name); });

TEST_F(MeterTickTest, MonitorChoiceIsReadAtEveryTick) {
  Measure(MonitorKind::Lcd, u"2");
  Tick();
  view_.monitor = MonitorKind::Crt;
  Tick();
  EXPECT_EQ(view_.Display(Field::PowerDisplay), "  420 W");
}

struct PriceCase {
  const char* name;
  std::u16string price;
  const char* cost;
  friend void PrintTo(const PriceCase& row, std::ostream* out) { *out << row.name; }
};

class TickPriceTest : public MeterTickTest, public ::testing::WithParamInterface<PriceCase> {};

TEST_P(TickPriceTest, CostIsPriceTimesTotal) {
  Measure(MonitorKind::Lcd, u"2", GetParam().price);
  Tick();
  EXPECT_EQ(view_.Display(Field::CostDisplay), GetParam().cost);
}

INSTANTIATE_TEST_SUITE_P(
    Prices, TickPriceTest,
    ::testing::Values(PriceCase{"negative price gives negative cost", u"-2,65", "-0,0001537 Kč"},
                      PriceCase{"zero price", u"0", "0 Kč"},
                      PriceCase{"blanks around the price", u" 2,65 ", "0,0001537 Kč"},
                      PriceCase{"largest price still fits", u"1,79769313486232E+308",
                                "1,04266201822014E+304 Kč"}),
    [](const auto& info) { return Slug(info.param.name); });

class TickFailureTest : public MeterTickTest, public ::testing::WithParamInterface<PriceCase> {};

TEST_P(TickFailureTest, BadPriceFailsAtTheCostStepAfterTheTotalGrew) {
  Measure(MonitorKind::Lcd, u"2", GetParam().price);
  view_.displays[Field::CostDisplay] = u"Off";
  EXPECT_THROW(Tick(), ConversionError);
  EXPECT_EQ(state_.TotalEnergy, 0.000058);
  EXPECT_EQ(view_.calls.back(), "total [5,8E-05 KWh]");
  EXPECT_EQ(view_.Display(Field::CostDisplay), "Off");
  EXPECT_EQ(view_.Count("lamp TotalLamp"), 0);
}

INSTANTIATE_TEST_SUITE_P(Prices, TickFailureTest,
                         ::testing::Values(PriceCase{"empty", u"", ""},
                                           PriceCase{"letters", u"abc", ""},
                                           PriceCase{"point in a comma locale", u"2.65", ""}),
                         [](const auto& info) { return Slug(info.param.name); });

TEST_F(MeterTickTest, CostBeyondTheDoubleRangeOverflows) {
  Measure(MonitorKind::Lcd, u"2", u"1E+308");
  state_.TotalEnergy = 2;
  try {
    Tick();
    FAIL() << "no overflow";
  } catch (const OverflowError& error) {
    EXPECT_EQ(error.text(), u"1E+308");
  }
  EXPECT_EQ(state_.TotalEnergy, 2.000058);
  EXPECT_EQ(view_.calls.back(), "total [2,000058 KWh]");
}

}  // namespace
}  // namespace voltarik::testing
