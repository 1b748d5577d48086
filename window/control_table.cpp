#include "window/control_table.h"

#include <array>

namespace voltarik {
namespace {

using K = ControlKind;
using F = FontFace;

constexpr FontSpec kHeadingFont{F::MsSansSerif, 8.25, true};
constexpr FontSpec kDisplayFont{F::MsSansSerif, 12, true};
constexpr FontSpec kInputFont{F::MsSansSerif, 9.75, true};

// The window's controls in the order they are created.
// clang-format off
const std::array<ControlSpec, 23> kControls{{
    {.name = "Label4", .kind = K::Label, .text = "Aktuální příkon",
     .left = 360, .top = 120, .width = 1455, .height = 255, .font = kHeadingFont,
     .tab_index = 11},
    {.name = "Label3", .kind = K::Display, .text = " Off",
     .left = 120, .top = 360, .width = 1935, .height = 375, .font = kDisplayFont,
     .text_color = kGreen, .fill_color = kBlack, .tab_index = 10,
     .accessible_description = "Aktuální příkon počítače ve wattech",
     .field = DisplayField::PowerDisplay},
    {.name = "Label6", .kind = K::Lamp,
     .left = 2160, .top = 360, .width = 375, .height = 135,
     .fill_color = kGreen, .tab_index = 13,
     .accessible_name = "Kontrolka měření příkonu", .accessible_description = "Bliká během měření"},
    {.name = "Label5", .kind = K::Display, .text = " Off",
     .left = 120, .top = 840, .width = 1935, .height = 375, .font = kDisplayFont,
     .text_color = kGreen, .fill_color = kBlack, .tab_index = 12,
     .accessible_description = "Odebíraný proud v ampérech při 230 V",
     .field = DisplayField::CurrentDisplay},
    {.name = "Label7", .kind = K::Display, .text = " Off",
     .left = 120, .top = 1320, .width = 1935, .height = 375, .font = kDisplayFont,
     .text_color = kGreen, .fill_color = kBlack, .tab_index = 14,
     .accessible_description = "Energie za jednu hodinu při tomto příkonu v kWh",
     .field = DisplayField::HourlyEnergyDisplay},
    {.name = "Label11", .kind = K::Label, .text = "Již Spotřebováno",
     .left = 360, .top = 1920, .width = 1575, .height = 255, .font = {F::Arial, 9, true},
     .tab_index = 18},
    {.name = "Label8", .kind = K::Display, .text = "Off",
     .left = 120, .top = 2160, .width = 1935, .height = 375, .font = kDisplayFont,
     .text_color = kGreen, .fill_color = kBlack, .tab_index = 15,
     .accessible_description = "Energie spotřebovaná od spuštění programu v kWh",
     .field = DisplayField::TotalDisplay},
    {.name = "Label10", .kind = K::Lamp,
     .left = 2160, .top = 2160, .width = 375, .height = 135,
     .fill_color = kGreen, .tab_index = 17,
     .accessible_name = "Kontrolka celkové spotřeby", .accessible_description = "Bliká během měření"},
    {.name = "Label9", .kind = K::Display, .text = "Off",
     .left = 120, .top = 2640, .width = 1935, .height = 375, .font = kDisplayFont,
     .text_color = kRed, .fill_color = kBlack, .tab_index = 16,
     .accessible_description = "Cena spotřebované energie v korunách",
     .field = DisplayField::CostDisplay},
    {.name = "Frame1", .kind = K::GroupFrame, .text = "Nastavení",
     .left = 2880, .top = 240, .width = 1815, .height = 2295,
     .tab_index = 0},
    {.name = "Label1", .kind = K::Label, .parent = "Frame1", .text = "Cena za 1 KWh",
     .left = 120, .top = 480, .width = 1215, .height = 255,
     .tab_index = 2},
    {.name = "Text1", .kind = K::TextBox, .parent = "Frame1", .text = "2,65",
     .left = 120, .top = 720, .width = 1335, .height = 375, .font = kInputFont,
     .tab_index = 1,
     .accessible_description = "Cena jedné kilowatthodiny v korunách"},
    {.name = "Label2", .kind = K::Label, .parent = "Frame1", .text = "Počet HDD",
     .left = 120, .top = 1320, .width = 1455, .height = 255,
     .tab_index = 4},
    {.name = "Text2", .kind = K::TextBox, .parent = "Frame1", .text = "2",
     .left = 120, .top = 1560, .width = 375, .height = 375, .font = kInputFont,
     .tab_index = 3,
     .accessible_description = "Počet pevných disků v počítači"},
    {.name = "Frame2", .kind = K::GroupFrame, .text = "Monitor",
     .left = 4800, .top = 240, .width = 1695, .height = 2295,
     .tab_index = 5},
    {.name = "Option1", .kind = K::OptionButton, .parent = "Frame2", .text = "Klasický CRT",
     .left = 120, .top = 480, .width = 1455, .height = 255,
     .tab_index = 6},
    {.name = "Option2", .kind = K::OptionButton, .parent = "Frame2", .text = "LCD",
     .left = 120, .top = 1080, .width = 1335, .height = 255,
     .tab_index = 7, .checked = true},
    {.name = "Option3", .kind = K::OptionButton, .parent = "Frame2", .text = "Vypnutý",
     .left = 120, .top = 1560, .width = 1455, .height = 375,
     .tab_index = 8},
    {.name = "Command1", .kind = K::PushButton, .text = "Spustit Měření",
     .left = 2880, .top = 2760, .width = 3615, .height = 375, .font = kInputFont,
     .tab_index = 9},
    {.name = "Command2", .kind = K::PushButton, .text = "Zastavit měření",
     .left = 2880, .top = 3240, .width = 3615, .height = 375, .font = kInputFont,
     .tab_index = 20},
    {.name = "Label12", .kind = K::Display, .text = "Načítám",
     .left = 480, .top = 3240, .width = 1215, .height = 255, .font = {F::MsSerif, 12, true},
     .text_color = kBlue, .fill_color = kBlack, .tab_index = 19,
     .accessible_description = "Aktuální čas"},
    // A horizontal line from (0, 3720) to (6600, 3720).
    {.name = "Line1", .kind = K::Line,
     .left = 0, .top = 3720, .width = 6600, .height = 15},
    {.name = "Text3", .kind = K::NewsBox, .text = kNewsIntroduction,
     .left = 120, .top = 3840, .width = 6375, .height = 2415,
     .tab_index = 21,
     .accessible_name = "Novinky o programu"},
}};
// clang-format on

constexpr std::array<BuddyPair, 2> kBuddies{{{"Label1", "Text1"}, {"Label2", "Text2"}}};

}  // namespace

std::span<const ControlSpec> ControlTable() { return kControls; }

std::span<const BuddyPair> BuddyPairs() { return kBuddies; }

}  // namespace voltarik
