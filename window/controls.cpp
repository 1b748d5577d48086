#include "window/controls.h"

#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <vector>

#include "window/separator_line.h"

namespace voltarik {
namespace {

QColor ToQColor(RgbColor color) { return {color.red, color.green, color.blue}; }

QRect PixelGeometry(const ControlSpec& row) {
  return {row.left / kTwipsPerPixel, row.top / kTwipsPerPixel,
          std::max(1, row.width / kTwipsPerPixel), std::max(1, row.height / kTwipsPerPixel)};
}

// The named face first; where it is missing, its metric-compatible substitute.
QStringList Families(FontFace face) {
  switch (face) {
    case FontFace::MsSansSerif:
      return {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")};
    case FontFace::Arial:
      return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    case FontFace::MsSerif:
      return {QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif")};
    case FontFace::Default:
      break;
  }
  return {};
}

int PixelsForPoints(double points) { return qRound(points * 96.0 / 72.0); }

QWidget* CreateControl(const ControlSpec& row, const QFont& font, QWidget* parent) {
  const QString text = QString::fromUtf8(row.text);
  switch (row.kind) {
    case ControlKind::Display:
      return new DisplayLabel(text, font, parent);
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);  // no text the program shows is read as markup
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setText(text);
      return label;
    }
    case ControlKind::Lamp:
      return new Lamp(parent);
    case ControlKind::TextBox:
      return new QLineEdit(text, parent);
    case ControlKind::NewsBox: {
      auto* box = new QPlainTextEdit(parent);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setTabChangesFocus(true);
      box->setPlainText(text);  // CR LF, LF and a lone CR each end a line
      return box;
    }
    case ControlKind::GroupFrame:
      return new QGroupBox(text, parent);
    case ControlKind::OptionButton: {
      auto* option = new QRadioButton(text, parent);
      // Tab stops only at the selected option of a group; the arrow keys move between options.
      const auto follow_selection = [option](bool checked) {
        option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
      };
      QObject::connect(option, &QAbstractButton::toggled, option, follow_selection);
      option->setChecked(row.checked);
      follow_selection(row.checked);
      return option;
    }
    case ControlKind::PushButton:
      return new PushButton(text, parent);
    case ControlKind::Line:
      return new SeparatorLine(parent);
  }
  return nullptr;
}

void ApplyColors(const ControlSpec& row, QWidget& widget) {
  if (auto* lamp = qobject_cast<Lamp*>(&widget)) {
    lamp->SetColor(ToQColor(row.fill_color.value_or(kBlack)));
    return;
  }
  if (!row.text_color && !row.fill_color) return;
  QPalette palette = widget.palette();
  if (row.text_color) palette.setColor(QPalette::WindowText, ToQColor(*row.text_color));
  if (row.fill_color) {
    palette.setColor(QPalette::Window, ToQColor(*row.fill_color));
    widget.setAutoFillBackground(true);
  }
  widget.setPalette(palette);
}

// A control the program cannot work without. A table row missing or of the wrong kind is a
// programming error: it stops the program at start-up with the name, never a null pointer later.
template <typename T>
T* Find(QWidget& form, const char* name) {
  T* control = form.findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) {
    qFatal("Voltarik: the window has no control %s of kind %s", name,
           T::staticMetaObject.className());
  }
  return control;
}

}  // namespace

QFont WindowFont() {
  QFont font;
  font.setFamilies(Families(FontFace::MsSansSerif));
  font.setPixelSize(PixelsForPoints(8.25));
  return font;
}

QFont FontFor(const FontSpec& wanted, const QFont& window_font) {
  QFont font = window_font;
  if (wanted.face != FontFace::Default) font.setFamilies(Families(wanted.face));
  if (wanted.points > 0) font.setPixelSize(PixelsForPoints(wanted.points));
  font.setBold(wanted.bold);
  return font;
}

Controls BuildControls(QWidget& form) {
  QHash<QString, QWidget*> by_name;
  std::array<DisplayLabel*, kDisplayFieldCount> displays{};
  std::vector<std::pair<int, QWidget*>> tab_stops;
  for (const ControlSpec& row : ControlTable()) {
    QWidget* parent = row.parent ? by_name.value(QString::fromLatin1(row.parent)) : &form;
    if (parent == nullptr)
      qFatal("Voltarik: %s lies in %s, which is not built before it", row.name, row.parent);
    const QFont font = FontFor(row.font, form.font());
    QWidget* widget = CreateControl(row, font, parent);
    widget->setObjectName(QString::fromLatin1(row.name));
    widget->setGeometry(PixelGeometry(row));
    widget->setFont(font);
    ApplyColors(row, *widget);
    if (row.accessible_name) widget->setAccessibleName(QString::fromUtf8(row.accessible_name));
    if (row.accessible_description) {
      widget->setAccessibleDescription(QString::fromUtf8(row.accessible_description));
    }
    if (row.tab_index >= 0 && widget->focusPolicy() != Qt::NoFocus) {
      tab_stops.emplace_back(row.tab_index, widget);
    }
    by_name.insert(widget->objectName(), widget);
    if (row.field)
      displays.at(static_cast<std::size_t>(*row.field)) = Find<DisplayLabel>(form, row.name);
  }
  for (std::size_t field = 0; field < displays.size(); ++field) {
    if (displays[field] == nullptr) qFatal("Voltarik: no control shows display field %zu", field);
  }

  std::ranges::sort(tab_stops, [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tab_stops.size(); ++i) {
    QWidget::setTabOrder(tab_stops[i - 1].second, tab_stops[i].second);
  }
  for (const BuddyPair& pair : BuddyPairs()) {
    Find<QLabel>(form, pair.caption)->setBuddy(Find<QWidget>(form, pair.box));
  }

  return Controls{
      .displays = displays,
      .power_lamp = Find<Lamp>(form, "Label6"),
      .total_lamp = Find<Lamp>(form, "Label10"),
      .clock = Find<DisplayLabel>(form, "Label12"),
      .price_box = Find<QLineEdit>(form, "Text1"),
      .disk_count_box = Find<QLineEdit>(form, "Text2"),
      .crt_option = Find<QRadioButton>(form, "Option1"),
      .lcd_option = Find<QRadioButton>(form, "Option2"),
      .off_option = Find<QRadioButton>(form, "Option3"),
      .start_button = Find<PushButton>(form, "Command1"),
      .stop_button = Find<PushButton>(form, "Command2"),
      .news_box = Find<QPlainTextEdit>(form, "Text3"),
  };
}

}  // namespace voltarik
