#include "window/control_table.h"

#include <array>

namespace voltarik {
namespace {

using K = ControlKind;
using F = FontFace;

constexpr FontSpec kNoFont{};
constexpr FontSpec kHeadingFont{F::MsSansSerif, 8.25, true};
constexpr FontSpec kDisplayFont{F::MsSansSerif, 12, true};
constexpr FontSpec kInputFont{F::MsSansSerif, 9.75, true};

// One row per control: name, kind, parent frame, text, left, top, width, height (twips), font,
// text colour, fill colour, tab index, selected, accessible name, accessible description.
// clang-format off
const std::array<ControlSpec, 23> kControls{{
    {"Label4", K::Label, nullptr, "Aktuální příkon", 360, 120, 1455, 255, kHeadingFont, {}, {}, 11, false,
     nullptr, nullptr},
    {"Label3", K::Display, nullptr, " Off", 120, 360, 1935, 375, kDisplayFont, kGreen, kBlack, 10, false,
     nullptr, "Aktuální příkon počítače ve wattech"},
    {"Label6", K::Lamp, nullptr, "", 2160, 360, 375, 135, kNoFont, {}, kGreen, 13, false,
     "Kontrolka měření příkonu", "Bliká během měření"},
    {"Label5", K::Display, nullptr, " Off", 120, 840, 1935, 375, kDisplayFont, kGreen, kBlack, 12, false,
     nullptr, "Odebíraný proud v ampérech při 230 V"},
    {"Label7", K::Display, nullptr, " Off", 120, 1320, 1935, 375, kDisplayFont, kGreen, kBlack, 14, false,
     nullptr, "Energie za jednu hodinu při tomto příkonu v kWh"},
    {"Label11", K::Label, nullptr, "Již Spotřebováno", 360, 1920, 1575, 255, FontSpec{F::Arial, 9, true}, {}, {}, 18, false,
     nullptr, nullptr},
    {"Label8", K::Display, nullptr, "Off", 120, 2160, 1935, 375, kDisplayFont, kGreen, kBlack, 15, false,
     nullptr, "Energie spotřebovaná od spuštění programu v kWh"},
    {"Label10", K::Lamp, nullptr, "", 2160, 2160, 375, 135, kNoFont, {}, kGreen, 17, false,
     "Kontrolka celkové spotřeby", "Bliká během měření"},
    {"Label9", K::Display, nullptr, "Off", 120, 2640, 1935, 375, kDisplayFont, kRed, kBlack, 16, false,
     nullptr, "Cena spotřebované energie v korunách"},
    {"Frame1", K::GroupFrame, nullptr, "Nastavení", 2880, 240, 1815, 2295, kNoFont, {}, {}, 0, false,
     nullptr, nullptr},
    {"Label1", K::Label, "Frame1", "Cena za 1 KWh", 120, 480, 1215, 255, kNoFont, {}, {}, 2, false,
     nullptr, nullptr},
    {"Text1", K::TextBox, "Frame1", "2,65", 120, 720, 1335, 375, kInputFont, {}, {}, 1, false,
     nullptr, "Cena jedné kilowatthodiny v korunách"},
    {"Label2", K::Label, "Frame1", "Počet HDD", 120, 1320, 1455, 255, kNoFont, {}, {}, 4, false,
     nullptr, nullptr},
    {"Text2", K::TextBox, "Frame1", "2", 120, 1560, 375, 375, kInputFont, {}, {}, 3, false,
     nullptr, "Počet pevných disků v počítači"},
    {"Frame2", K::GroupFrame, nullptr, "Monitor", 4800, 240, 1695, 2295, kNoFont, {}, {}, 5, false,
     nullptr, nullptr},
    {"Option1", K::OptionButton, "Frame2", "Klasický CRT", 120, 480, 1455, 255, kNoFont, {}, {}, 6, false,
     nullptr, nullptr},
    {"Option2", K::OptionButton, "Frame2", "LCD", 120, 1080, 1335, 255, kNoFont, {}, {}, 7, true,
     nullptr, nullptr},
    {"Option3", K::OptionButton, "Frame2", "Vypnutý", 120, 1560, 1455, 375, kNoFont, {}, {}, 8, false,
     nullptr, nullptr},
    {"Command1", K::PushButton, nullptr, "Spustit Měření", 2880, 2760, 3615, 375, kInputFont, {}, {}, 9, false,
     nullptr, nullptr},
    {"Command2", K::PushButton, nullptr, "Zastavit měření", 2880, 3240, 3615, 375, kInputFont, {}, {}, 20, false,
     nullptr, nullptr},
    {"Label12", K::Display, nullptr, "Načítám", 480, 3240, 1215, 255, FontSpec{F::MsSerif, 12, true}, kBlue, kBlack, 19, false,
     nullptr, "Aktuální čas"},
    // A horizontal line from (0, 3720) to (6600, 3720).
    {"Line1", K::Line, nullptr, "", 0, 3720, 6600, 15, kNoFont, {}, {}, -1, false,
     nullptr, nullptr},
    {"Text3", K::NewsBox, nullptr, kNewsIntroduction, 120, 3840, 6375, 2415, kNoFont, {}, {}, 21, false,
     "Novinky o programu", nullptr},
}};
// clang-format on

constexpr std::array<BuddyPair, 2> kBuddies{{{"Label1", "Text1"}, {"Label2", "Text2"}}};

}  // namespace

std::span<const ControlSpec> ControlTable() { return kControls; }

std::span<const BuddyPair> BuddyPairs() { return kBuddies; }

}  // namespace voltarik
