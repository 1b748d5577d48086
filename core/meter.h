// The meter's actions, one per window event: the one-second metering tick, Start, Stop and the
// half-second blink tick. Each takes the window's MeterState and talks to the window only through
// MeterView; every figure passes through ValueText.
//
// Failures (ConversionError, OverflowError) leave an action at the failing step with the steps
// before it in effect and travel out to the caller: nothing here catches them.
#ifndef VOLTARIK_CORE_METER_H_
#define VOLTARIK_CORE_METER_H_

#include <cstdint>

#include "core/meter_state.h"
#include "core/meter_view.h"
#include "core/value_text.h"

namespace voltarik {

inline constexpr int kTimer1IntervalMs = 1000;
inline constexpr int kTimer2IntervalMs = 500;

// Base power in W of the PC with each kind of monitor.
std::int16_t BasePower(MonitorKind monitor);

// Estimates the present draw and adds one second of it to the running total.
void RunMeterTick(MeterState& state, MeterView& view, const ValueText& value_text);

// Runs both timers and takes a snapshot of the two settings boxes.
void StartMeasuring(MeterState& state, MeterView& view);

// Halts both timers; displays, lamps, clock and total keep their state.
void StopMeasuring(MeterView& view);

// Flashes the lamps back and rewrites the clock.
void RunBlinkTick(MeterView& view, const ValueText& value_text);

}  // namespace voltarik

#endif  // VOLTARIK_CORE_METER_H_
