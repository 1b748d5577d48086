#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "tests/modal_closer.h"
#include "tests/qt_printers.h"
#include "tests/test_support.h"
#include "window/control_table.h"
#include "window/form1.h"
#include "window/qt_locale.h"

namespace voltarik::testing {
namespace {

std::optional<QString> NoNetwork(const QString&) { return std::nullopt; }

class WindowTest : public ::testing::Test {
 protected:
  Form1 form_{CoreLocale(QLocale(QLocale::Czech, QLocale::Czechia)), NoNetwork};

  template <typename T = QWidget>
  T* Control(const char* name) {
    T* control = form_.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QString Text(const char* name) { return Control<QLabel>(name)->text(); }
  QColor Fill(const char* name) { return Control<Lamp>(name)->color(); }
  QTimer* Timer(const char* name) { return form_.findChild<QTimer*>(QString::fromLatin1(name)); }
  void Start(const QString& price, const QString& disks) {
    Control<QLineEdit>("Text1")->setText(price);
    Control<QLineEdit>("Text2")->setText(disks);
    Control<QPushButton>("Command1")->click();
  }
};

QString WidgetText(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return box->toPlainText();
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  return {};
}

TEST_F(WindowTest, EveryControlStartsAsTheTableSays) {
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("Voltarik  - Kvorlin"));
  EXPECT_EQ(form_.size(), QSize(443, 428));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize()) << "the window is not resizable";
  for (const ControlSpec& row : ControlTable()) {
    SCOPED_TRACE(row.name);
    QWidget* widget = Control(row.name);
    ASSERT_NE(widget, nullptr);
    const QString parent = row.parent ? QString::fromLatin1(row.parent) : QStringLiteral("Form1");
    EXPECT_EQ(widget->parentWidget()->objectName(), parent);
    EXPECT_EQ(widget->geometry(), QRect(row.left / 15, row.top / 15, std::max(1, row.width / 15),
                                        std::max(1, row.height / 15)));
    // The news box shows its CR LF pairs as line breaks.
    QString expected = QString::fromUtf8(row.text);
    if (row.kind == ControlKind::NewsBox) expected.replace(QStringLiteral("\r\n"), "\n");
    EXPECT_EQ(WidgetText(widget), expected);
    if (row.font.points > 0) {
      EXPECT_EQ(widget->font().pixelSize(), qRound(row.font.points * 4 / 3));
      EXPECT_EQ(widget->font().bold(), row.font.bold);
    }
    if (row.text_color) {
      const RgbColor c = *row.text_color;
      EXPECT_EQ(widget->palette().color(QPalette::WindowText), QColor(c.red, c.green, c.blue));
    }
    if (row.fill_color) {
      const RgbColor c = *row.fill_color;
      const QColor fill = row.kind == ControlKind::Lamp ? qobject_cast<Lamp*>(widget)->color()
                                                        : widget->palette().color(QPalette::Window);
      EXPECT_EQ(fill, QColor(c.red, c.green, c.blue));
      EXPECT_TRUE(row.kind == ControlKind::Lamp || widget->autoFillBackground());
    }
  }
  EXPECT_TRUE(Control<QRadioButton>("Option2")->isChecked());
  EXPECT_FALSE(Control<QRadioButton>("Option1")->isChecked());
  EXPECT_FALSE(Control<QRadioButton>("Option3")->isChecked());
}

// The kinds and looks the table implies beyond text, geometry and colours.
TEST_F(WindowTest, ControlsHaveTheirKindFontFaceAndLook) {
  EXPECT_EQ(form_.font().pixelSize(), 11) << "8.25 points at 96 dpi";
  const QStringList sans = {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")};
  EXPECT_EQ(form_.font().families(), sans);
  EXPECT_EQ(Control("Label3")->font().families(), sans);
  EXPECT_EQ(Control("Label1")->font().families(), sans) << "the window's own font";
  EXPECT_EQ(Control("Label11")->font().families(),
            QStringList({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}));
  EXPECT_EQ(Control("Label12")->font().families(),
            QStringList({QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif")}));
  for (const ControlSpec& row : ControlTable()) {
    if (row.kind != ControlKind::Label && row.kind != ControlKind::Display) continue;
    EXPECT_EQ(Control<QLabel>(row.name)->alignment(), Qt::AlignLeft | Qt::AlignTop) << row.name;
    EXPECT_EQ(Control<QLabel>(row.name)->textFormat(), Qt::PlainText) << row.name;
  }
  EXPECT_NE(qobject_cast<QGroupBox*>(Control("Frame1")), nullptr);
  EXPECT_NE(qobject_cast<QGroupBox*>(Control("Frame2")), nullptr);
  auto* line = Control<QFrame>("Line1");
  EXPECT_EQ(line->frameShape(), QFrame::HLine);
  EXPECT_EQ(line->frameShadow(), QFrame::Plain);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->role(), QAccessible::Separator);
  auto* news = Control<QPlainTextEdit>("Text3");
  EXPECT_EQ(news->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(news->tabChangesFocus());
  EXPECT_EQ(Control("Label3")->palette().color(QPalette::WindowText), QColor(Qt::green));
  EXPECT_FALSE(Control("Label4")->autoFillBackground()) << "headings keep the window's colours";
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Control("Label6"))->role(),
            QAccessible::StaticText);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

TEST_F(WindowTest, LampRepaintsWhenItsColourChangesOnly) {
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  auto* lamp = Control<Lamp>("Label6");
  PaintCounter paints;
  lamp->installEventFilter(&paints);
  lamp->SetColor(Qt::red);
  EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 2000));
  const int after_change = paints.count;
  lamp->SetColor(Qt::red);
  QCoreApplication::sendPostedEvents();  // a repaint asked for would be done here
  EXPECT_EQ(paints.count, after_change) << "the same colour repaints nothing";
}

TEST_F(WindowTest, NewsIntroductionIsKeptToTheCharacter) {
  EXPECT_STREQ(kNewsIntroduction,
               "Zde jsou znázorňovány informace o nových verzích programu.Pokud ovšem vidíte \r\n"
               "tenhle nápis,tak nejste pravděpodobně připojeni k internetu,nebo je váš Firewoll "
               "\r\nnatolik kvalitní že se přes něj nedá dostat :-)) V tom případě gratuluji.\r\n"
               "Nyní nastavte hodnoty pro váš PC a můžete začít měřit.\r\n");
  EXPECT_EQ(Control<QPlainTextEdit>("Text3")->blockCount(), 5);
  EXPECT_EQ(Control<QPlainTextEdit>("Text3")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(WindowTest, NamedFacesFallBackToInstalledSubstitutesWithCzechLetters) {
  const QString czech = QStringLiteral("áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ");
  for (const char* name :
       {"Label3", "Label4", "Label11", "Label12", "Text1", "Command1", "Label1"}) {
    SCOPED_TRACE(name);
    const QFont font = Control(name)->font();
    const QString family = QFontInfo(font).family();
    EXPECT_TRUE(font.families().contains(family))
        << family.toStdString() << " is not a face asked for";
    const QFontMetrics metrics(font);
    for (const QChar letter : czech)
      EXPECT_TRUE(metrics.inFont(letter)) << QString(letter).toStdString();
  }
  EXPECT_EQ(QFontInfo(Control("Label12")->font()).family(), QStringLiteral("Liberation Serif"));
}

TEST_F(WindowTest, FirstShowingIsCentredOnTheScreen) {
  form_.CenterOnScreen();
  const QPoint middle = form_.screen()->availableGeometry().center();
  EXPECT_LE((form_.frameGeometry().center() - middle).manhattanLength(), 2);
}

TEST_F(WindowTest, TimersStartAsIdle) {
  EXPECT_EQ(Timer("Timer1")->interval(), 1000);
  EXPECT_FALSE(Timer("Timer1")->isActive());
  EXPECT_EQ(Timer("Timer2")->interval(), 500);
  EXPECT_TRUE(Timer("Timer2")->isActive());
}

TEST_F(WindowTest, PriceBoxHasFocusAndTabFollowsTheTable) {
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  EXPECT_EQ(QApplication::focusWidget(), Control("Text1"));
  const char* expected[] = {"Text2", "Option2", "Command1", "Command2", "Text3", "Text1"};
  for (const char* name : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), name);
  }
  // Choosing another monitor moves the tab stop with the selection.
  Control<QRadioButton>("Option3")->click();
  Control("Text2")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Control("Option3"));
}

TEST_F(WindowTest, CaptionsNameTheirBoxesAndDisplaysKeepTheirTextForScreenReaders) {
  EXPECT_EQ(Control<QLabel>("Label1")->buddy(), Control("Text1"));
  EXPECT_EQ(Control<QLabel>("Label2")->buddy(), Control("Text2"));
  const auto name_of = [](QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
  };
  EXPECT_EQ(name_of(Control("Text1")), QStringLiteral("Cena za 1 KWh"));
  EXPECT_EQ(name_of(Control("Text2")), QStringLiteral("Počet HDD"));
  for (const char* display : {"Label3", "Label5", "Label7", "Label8", "Label9", "Label12"}) {
    SCOPED_TRACE(display);
    EXPECT_EQ(name_of(Control(display)), Text(display));
    EXPECT_FALSE(Control(display)->accessibleDescription().isEmpty());
  }
  for (const char* unnamed : {"Label6", "Label10", "Text3"}) {
    EXPECT_FALSE(name_of(Control(unnamed)).isEmpty()) << unnamed;
  }
}

TEST_F(WindowTest, StartAndTicksDriveDisplaysLampsAndClock) {
  EXPECT_EQ(Text("Label12"), QStringLiteral("Načítám"));
  Start(QStringLiteral("2,65"), QStringLiteral("2"));
  EXPECT_TRUE(Timer("Timer1")->isActive());
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label3"), QStringLiteral("  210 W"));
  EXPECT_EQ(Text("Label5"), QStringLiteral("  0,91 A"));
  EXPECT_EQ(Text("Label7"), QStringLiteral("  0,21 KWh"));
  EXPECT_EQ(Text("Label8"), QStringLiteral("5,8E-05 KWh"));
  EXPECT_EQ(Text("Label9"), QStringLiteral("0,0001537 Kč"));
  EXPECT_EQ(Fill("Label6"), QColor(Qt::red));
  EXPECT_EQ(Fill("Label10"), QColor(Qt::green));
  form_.Timer2_Timer();
  EXPECT_EQ(Fill("Label6"), QColor(Qt::green));
  EXPECT_EQ(Fill("Label10"), QColor(Qt::red));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^ \\d{1,2}:\\d\\d:\\d\\d$"))
                  .match(Text("Label12"))
                  .hasMatch())
      << Text("Label12").toStdString();
}

TEST_F(WindowTest, MonitorOptionCountsAtTheNextTick) {
  Start(QStringLiteral("2,65"), QStringLiteral("2"));
  Control<QRadioButton>("Option1")->click();
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label3"), QStringLiteral("  420 W"));
  Control<QRadioButton>("Option3")->click();
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label3"), QStringLiteral("  185 W"));
}

TEST_F(WindowTest, DiskWarningResetsTheBoxAndDropsTicksWhileOpen) {
  Start(QStringLiteral("2,65"), QStringLiteral("7"));
  QString clock_while_open;
  ModalCloser closer([&] {
    form_.Timer1_Timer();  // dropped: no second box, no tick inside this one
    form_.Timer2_Timer();
    clock_while_open = Text("Label12");
  });
  form_.Timer1_Timer();
  EXPECT_EQ(closer.seen().count, 1);
  EXPECT_EQ(closer.seen().title, QStringLiteral("To snad né ?? "));
  EXPECT_EQ(closer.seen().text, QStringLiteral("Nechápu kam jsi nacpal tolik disků"));
  EXPECT_EQ(closer.seen().icon, QMessageBox::NoIcon);
  EXPECT_EQ(closer.seen().buttons, QMessageBox::Ok);
  EXPECT_EQ(clock_while_open, QStringLiteral("Načítám"));
  EXPECT_EQ(Control<QLineEdit>("Text2")->text(), QStringLiteral("6"));
  EXPECT_EQ(Text("Label3"), QStringLiteral("  140 W"));
  EXPECT_EQ(Text("Label8"), QStringLiteral("3,9E-05 KWh")) << "only one tick ran";
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label3"), QStringLiteral("  340 W"));
}

TEST_F(WindowTest, BadPriceStopsMeasuringOnceKeepsTheTotalAndStartContinuesIt) {
  Start(QStringLiteral("2,65"), QStringLiteral("2"));
  form_.Timer1_Timer();
  Start(QStringLiteral("<b>abc</b>"), QStringLiteral("2"));
  {
    ModalCloser closer([&] { form_.Timer1_Timer(); });
    form_.Timer1_Timer();
    EXPECT_EQ(closer.seen().count, 1);
    EXPECT_TRUE(closer.seen().text.contains(QStringLiteral("„<b>abc</b>“")))
        << closer.seen().text.toStdString();
    EXPECT_TRUE(closer.seen().text.contains(QStringLiteral("Cena za 1 KWh")));
    EXPECT_TRUE(closer.seen().text.contains(QStringLiteral("zastaveno")));
    EXPECT_EQ(closer.seen().text_format, Qt::PlainText);
    EXPECT_EQ(closer.seen().icon, QMessageBox::Warning);
    EXPECT_EQ(closer.seen().title, QStringLiteral("Voltarik - chyba"));
  }
  EXPECT_FALSE(Timer("Timer1")->isActive());
  EXPECT_FALSE(Timer("Timer2")->isActive());
  EXPECT_EQ(Text("Label8"), QStringLiteral("0,000116 KWh"));
  EXPECT_EQ(Text("Label9"), QStringLiteral("0,0001537 Kč"));
  EXPECT_EQ(Fill("Label10"), QColor(Qt::green)) << "the failed tick never reached its lamp step";

  Start(QStringLiteral("2,65"), QStringLiteral("2"));
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label8"), QStringLiteral("0,000174 KWh"));
  EXPECT_EQ(Text("Label9"), QStringLiteral("0,0004611 Kč"));
}

TEST_F(WindowTest, StopHaltsBothTimersAndStartContinuesTheTotal) {
  Start(QStringLiteral("2,65"), QStringLiteral("2"));
  form_.Timer1_Timer();
  Control<QPushButton>("Command2")->click();
  EXPECT_FALSE(Timer("Timer1")->isActive());
  EXPECT_FALSE(Timer("Timer2")->isActive());
  Control<QPushButton>("Command1")->click();
  form_.Timer1_Timer();
  EXPECT_EQ(Text("Label8"), QStringLiteral("0,000116 KWh"));
}

TEST_F(WindowTest, NewsBoxShowsPlainTextWithEveryLineBreak) {
  form_.SetNewsText(QStringLiteral("<b>Verze 2</b>\r\nřádek\nline\rend"));
  auto* box = Control<QPlainTextEdit>("Text3");
  EXPECT_EQ(box->toPlainText(), QStringLiteral("<b>Verze 2</b>\nřádek\nline\nend"));
  EXPECT_EQ(box->blockCount(), 4);
}

TEST(WindowLifeTest, ClosingTheWindowEndsTheEventLoopWithExitCodeZero) {
  Form1 form(CoreLocale(QLocale::c()), NoNetwork);
  form.show();
  QTimer::singleShot(0, &form, &QWidget::close);
  EXPECT_EQ(QApplication::exec(), 0);
}

struct ClockCase {
  const char* name;
  QLocale locale;
  TimeOfDay time;
  const char* expected;
  const char* separator;
  friend void PrintTo(const ClockCase& row, std::ostream* out) { *out << row.name; }
};

class ClockFormatTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockFormatTest, WritesTheLocaleTimeWithoutTimeZone) {
  const Locale locale = CoreLocale(GetParam().locale);
  // Qt 6.8's locale data puts a narrow no-break space before the day period (CLDR 42 and later),
  // Qt 6.4's a blank: either is the locale's own.
  std::u16string clock = locale.write_time_of_day(GetParam().time);
  std::replace(clock.begin(), clock.end(), u'\u202f', u' ');
  EXPECT_EQ(Utf8(clock), GetParam().expected);
  EXPECT_EQ(Utf8(locale.decimal_separator), GetParam().separator);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, ClockFormatTest,
    ::testing::Values(ClockCase{"czech afternoon", QLocale(QLocale::Czech, QLocale::Czechia),
                                TimeOfDay{14, 5, 33}, "14:05:33", ","},
                      ClockCase{"czech early hour", QLocale(QLocale::Czech, QLocale::Czechia),
                                TimeOfDay{9, 5, 33}, "9:05:33", ","},
                      ClockCase{"c locale uses comma and H mm ss", QLocale::c(),
                                TimeOfDay{9, 5, 33}, "9:05:33", ","},
                      ClockCase{"english keeps its day period",
                                QLocale(QLocale::English, QLocale::UnitedStates),
                                TimeOfDay{14, 5, 33}, "2:05:33 PM", "."},
                      ClockCase{"slovak", QLocale(QLocale::Slovak, QLocale::Slovakia),
                                TimeOfDay{9, 5, 33}, "9:05:33", ","},
                      ClockCase{"german pads the hour", QLocale(QLocale::German, QLocale::Germany),
                                TimeOfDay{9, 5, 33}, "09:05:33", ","},
                      ClockCase{"british", QLocale(QLocale::English, QLocale::UnitedKingdom),
                                TimeOfDay{9, 5, 33}, "09:05:33", "."}),
    [](const auto& info) { return Slug(info.param.name); });

// Whatever a locale's long format puts around its time zone, nothing of it is left at either end.
TEST(ClockFormatEveryLocaleTest, LeavesNoSeparatorAtEitherEnd) {
  const QString kLeftOver = QStringLiteral(" ,;()[]\u00a0\u202f");
  for (const QLocale& locale :
       QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    const QString clock =
        QString::fromStdU16String(CoreLocale(locale).write_time_of_day({14, 5, 33}));
    ASSERT_FALSE(clock.isEmpty()) << locale.name().toStdString();
    EXPECT_FALSE(kLeftOver.contains(clock.front()) || kLeftOver.contains(clock.back()))
        << locale.name().toStdString() << ": \"" << clock.toStdString() << "\" from \""
        << locale.timeFormat(QLocale::LongFormat).toStdString() << '"';
  }
}

}  // namespace
}  // namespace voltarik::testing
