// The window's controls as data: name, kind, initial text, geometry in twips, font, colours and
// tab index of each, in the order they are created. The window is built from this table, and the
// tests check the built window against it.
#ifndef VOLTARIK_WINDOW_CONTROL_TABLE_H_
#define VOLTARIK_WINDOW_CONTROL_TABLE_H_

#include <optional>
#include <span>

#include "core/meter_view.h"

namespace voltarik {

inline constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch
inline constexpr int kClientWidthTwips = 6645;
inline constexpr int kClientHeightTwips = 6420;

inline constexpr const char* kWindowTitle = "Voltarik  - Kvorlin";

// The introduction the news box shows until news arrives; it says that seeing it means the news
// could not be fetched. Its line breaks are CR LF pairs, the last one included.
inline constexpr const char* kNewsIntroduction =
    "Zde jsou znázorňovány informace o nových verzích programu.Pokud ovšem vidíte \r\n"
    "tenhle nápis,tak nejste pravděpodobně připojeni k internetu,nebo je váš Firewoll \r\n"
    "natolik kvalitní že se přes něj nedá dostat :-)) V tom případě gratuluji.\r\n"
    "Nyní nastavte hodnoty pro váš PC a můžete začít měřit.\r\n";

enum class ControlKind {
  Label,
  Display,  // a label whose text the program rewrites: the five figures and the clock
  Lamp,
  TextBox,
  NewsBox,
  GroupFrame,
  OptionButton,
  PushButton,
  Line
};

// The faces the window asks for; each has a metric-compatible substitute that the scripts install.
enum class FontFace { Default, MsSansSerif, Arial, MsSerif };

struct FontSpec {
  FontFace face = FontFace::Default;
  double points = 0;  // 0: the window's default size
  bool bold = false;
};

// One control. Rows name their fields (designated initialisers); what a row leaves out takes the
// defaults below.
struct ControlSpec {
  const char* name;
  ControlKind kind;
  const char* parent = nullptr;  // the group frame holding it, or nullptr for the window
  const char* text = "";         // UTF-8
  int left, top, width, height;  // twips, relative to the parent
  FontSpec font = {};
  std::optional<RgbColor> text_color = std::nullopt;
  std::optional<RgbColor> fill_color = std::nullopt;
  int tab_index = -1;    // -1: none
  bool checked = false;  // option buttons only
  // What a screen reader says of a control without text of its own (a lamp, the news box), and
  // what it adds about a display whose text is its value. Czech, as the rest of the window.
  const char* accessible_name = nullptr;
  const char* accessible_description = nullptr;
  // The display the metering tick writes to through this control, if any.
  std::optional<DisplayField> field = std::nullopt;
};

std::span<const ControlSpec> ControlTable();

// Captions that name a box for screen readers and keyboard users: {caption, box}.
struct BuddyPair {
  const char* caption;
  const char* box;
};
std::span<const BuddyPair> BuddyPairs();

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_CONTROL_TABLE_H_
