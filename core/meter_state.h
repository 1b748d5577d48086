#ifndef VOLTARIK_CORE_METER_STATE_H_
#define VOLTARIK_CORE_METER_STATE_H_

#include <string>

namespace voltarik {

// The measuring state the window owns for its whole life. It is never reset: Stop and a new Start
// keep the total and the tick's texts, and Start retakes only the two settings texts. Numbers pass
// between the tick's steps as these texts, so their 15-digit rounding is part of the results.
struct MeterState {
  std::u16string PriceText;            // Kč per kWh, as typed when Start was pressed
  std::u16string DiskCountText;        // hard disks, as typed when Start was pressed
  std::u16string PowerText;            // W
  std::u16string CurrentText;          // A at 230 V
  std::u16string HourlyEnergyText;     // two blanks, then the kWh of one hour at this draw
  std::u16string HourlyEnergyCaption;  // HourlyEnergyText followed by " KWh"
  std::u16string TickEnergyText;       // kWh of one second
  double TotalEnergy = 0;              // kWh since start-up, held rounded to 6 decimals
};

}  // namespace voltarik

#endif  // VOLTARIK_CORE_METER_STATE_H_
