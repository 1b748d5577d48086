#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/meter.h"
#include "tests/recording_view.h"
#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

using Calls = std::vector<std::string>;

class MeasuringTest : public ::testing::Test {
 protected:
  MeterState state_;
  RecordingView view_;
  ValueText value_text_ = CommaValueText();
};

TEST_F(MeasuringTest, StartRunsBothTimersThenSnapshotsTheBoxes) {
  view_.settings = {u"3,10", u"4"};
  state_.TotalEnergy = 0.5;
  state_.PowerText = u"210";
  StartMeasuring(state_, view_);
  EXPECT_EQ(view_.calls, (Calls{"Timer1 on", "Timer2 on", "settings?"}));
  EXPECT_EQ(state_.PriceText, u"3,10");
  EXPECT_EQ(state_.DiskCountText, u"4");
  EXPECT_EQ(state_.TotalEnergy, 0.5);
  EXPECT_EQ(state_.PowerText, u"210");
}

TEST_F(MeasuringTest, StartCopiesTheBoxesUnvalidated) {
  view_.settings = {u"", u"abc"};
  StartMeasuring(state_, view_);
  EXPECT_EQ(state_.PriceText, u"");
  EXPECT_EQ(state_.DiskCountText, u"abc");
}

TEST_F(MeasuringTest, StopHaltsBothTimersAndNothingElse) {
  StopMeasuring(view_);
  EXPECT_EQ(view_.calls, (Calls{"Timer1 off", "Timer2 off"}));
}

TEST_F(MeasuringTest, BlinkTurnsTheLampsBackAndWritesTheClock) {
  RunBlinkTick(view_, value_text_);
  EXPECT_EQ(view_.calls,
            (Calls{"lamp PowerLamp 00FF00", "lamp TotalLamp FF0000", "clock [ 14:05:33]"}));
}

TEST_F(MeasuringTest, StopAndStartContinueTheSameTotal) {
  StartMeasuring(state_, view_);
  RunMeterTick(state_, view_, value_text_);
  RunMeterTick(state_, view_, value_text_);
  StopMeasuring(view_);
  view_.settings = {u"10", u"2"};  // a new price counts only from the next Start
  StartMeasuring(state_, view_);
  RunMeterTick(state_, view_, value_text_);
  EXPECT_EQ(view_.Display(DisplayField::TotalDisplay), "0,000174 KWh");
  EXPECT_EQ(view_.Display(DisplayField::CostDisplay), "0,00174 Kč");
}

TEST_F(MeasuringTest, TypingWhileMeasuringCountsOnlyAfterTheNextStart) {
  StartMeasuring(state_, view_);
  view_.settings = {u"abc", u"7"};
  RunMeterTick(state_, view_, value_text_);
  EXPECT_EQ(view_.Display(DisplayField::PowerDisplay), "  210 W");
  EXPECT_EQ(view_.Count("warning"), 0);
}

}  // namespace
}  // namespace voltarik::testing
