// The window as people use it: the keyboard, the hints the window manager gets, texts wider than
// their display, the failure message, and what a screen reader is told of the boxes.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <optional>

#include "tests/qt_printers.h"
#include "tests/test_support.h"
#include "window/control_table.h"
#include "window/display_label.h"
#include "window/failure_message.h"
#include "window/form1.h"
#include "window/qt_locale.h"
#include "window/text_segments.h"

namespace voltarik {
void PrintTo(const TextSegment& segment, std::ostream* out) {
  *out << '[' << segment.start << ',' << segment.end << ')';
}
}  // namespace voltarik

namespace voltarik::testing {
namespace {

std::unique_ptr<Form1> CzechWindow() {
  return std::make_unique<Form1>(CoreLocale(QLocale(QLocale::Czech, QLocale::Czechia)),
                                 [](const QString&) { return std::optional<QString>(); });
}

template <typename T>
T* Control(Form1& form, const char* name) {
  return form.findChild<T*>(QString::fromLatin1(name));
}

bool Measuring(Form1& form) {
  return form.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive();
}

struct KeyCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  bool starts;  // pressed on Start, with measuring stopped
  friend void PrintTo(const KeyCase& row, std::ostream* out) { *out << row.name; }
};

class ButtonKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ButtonKeyTest, KeysOnAFocusedButtonPressItAsSpaceDoes) {
  const auto form = CzechWindow();
  QTest::keyClick(Control<QPushButton>(*form, "Command1"), GetParam().key, GetParam().modifiers);
  EXPECT_EQ(Measuring(*form), GetParam().starts);
  if (!GetParam().starts) return;
  QTest::keyClick(Control<QPushButton>(*form, "Command2"), GetParam().key, GetParam().modifiers);
  EXPECT_FALSE(Measuring(*form)) << "the same key on Stop stops measuring";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ButtonKeyTest,
    ::testing::Values(KeyCase{"return", Qt::Key_Return, Qt::NoModifier, true},
                      KeyCase{"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, true},
                      KeyCase{"space", Qt::Key_Space, Qt::NoModifier, true},
                      KeyCase{"ctrl return is not a press", Qt::Key_Return, Qt::ControlModifier,
                              false},
                      KeyCase{"a letter is not a press", Qt::Key_A, Qt::NoModifier, false}),
    [](const auto& info) { return Slug(info.param.name); });

// The real timers, not the handlers called by hand: the half-second one rewrites the clock, and
// after Start the one-second one measures.
TEST(WindowTimerTest, TimersFireTheirTicks) {
  const auto form = CzechWindow();
  auto* clock = Control<QLabel>(*form, "Label12");
  EXPECT_TRUE(QTest::qWaitFor([&] { return clock->text() != QStringLiteral("Načítám"); }, 3000));
  auto* power = Control<QLabel>(*form, "Label3");
  Control<QPushButton>(*form, "Command1")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return power->text() != QStringLiteral(" Off"); }, 3000));
  EXPECT_EQ(power->text(), QStringLiteral("  210 W"));
}

TEST(WindowHintsTest, FixedSizeWindowOffersNoMaximise) {
  const auto form = CzechWindow();
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  for (const Qt::WindowType kept : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint,
                                    Qt::WindowMinimizeButtonHint, Qt::WindowCloseButtonHint}) {
    EXPECT_TRUE(flags.testFlag(kept)) << kept;
  }
  EXPECT_EQ(form->minimumSize(), form->maximumSize());

  // What a decoration drawn by the toolkit does when its maximise button is clicked anyway.
  form->show();
  const QRect geometry = form->geometry();
  form->windowHandle()->setWindowStates(Qt::WindowMaximized);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->windowHandle()->windowStates(), Qt::WindowNoState);
  EXPECT_FALSE(form->isMaximized());
  EXPECT_EQ(form->geometry(), geometry);
}

struct WideTextCase {
  const char* name;
  const char* label;
  std::optional<DisplayField> field;  // nothing: the clock
  QString text;
  friend void PrintTo(const WideTextCase& row, std::ostream* out) { *out << row.name; }
};

class WideTextTest : public ::testing::TestWithParam<WideTextCase> {};

// A wide text is shown whole in a smaller size of the same face; a text that fits again gets the
// table's size back.
TEST_P(WideTextTest, DisplayShrinksItsFontUntilTheWholeTextFits) {
  const auto form = CzechWindow();
  auto* display = Control<DisplayLabel>(*form, GetParam().label);
  const QFont table_font = display->font();
  const auto show = [&](const QString& text) {
    const std::u16string text16 = text.toStdU16String();
    if (GetParam().field) {
      form->SetDisplayText(*GetParam().field, text16);
    } else {
      form->SetClockText(text16);
    }
  };
  ASSERT_GT(QFontMetrics(table_font).horizontalAdvance(GetParam().text), display->width())
      << "the row's text should be too wide for the table's font";

  show(GetParam().text);
  EXPECT_EQ(display->text(), GetParam().text);
  EXPECT_LT(display->font().pixelSize(), table_font.pixelSize());
  EXPECT_LE(QFontMetrics(display->font()).horizontalAdvance(GetParam().text), display->width());
  EXPECT_EQ(display->font().families(), table_font.families());
  EXPECT_EQ(display->font().bold(), table_font.bold());
  EXPECT_EQ(display->wordWrap(), false);
  EXPECT_EQ(display->alignment(), Qt::AlignLeft | Qt::AlignTop);

  show(QStringLiteral("1 W"));
  EXPECT_EQ(display->font(), table_font);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WideTextTest,
    ::testing::Values(WideTextCase{"cost of an odd price", "Label9", DisplayField::CostDisplay,
                                   QStringLiteral("0,000615086404 Kč")},
                      WideTextCase{"cost of a large negative price", "Label9",
                                   DisplayField::CostDisplay,
                                   QStringLiteral("-1,17593856036416E+304 Kč")},
                      WideTextCase{"total", "Label8", DisplayField::TotalDisplay,
                                   QStringLiteral("12345,123456789 KWh")},
                      WideTextCase{"power", "Label3", DisplayField::PowerDisplay,
                                   QStringLiteral("  3,56512343245E+15 W")},
                      WideTextCase{"english afternoon clock", "Label12", std::nullopt,
                                   QStringLiteral("12:13:33 PM")}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(FittingPixelSizeTest, KeepsTheSizeWhenTheTextFitsExactly) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(16);
  const QString text = QStringLiteral("0,0004611 Kč");
  const int width = QFontMetrics(font).horizontalAdvance(text);
  EXPECT_EQ(FittingPixelSize(font, text, width), 16);
  EXPECT_LT(FittingPixelSize(font, text, width - 1), 16);
  EXPECT_EQ(FittingPixelSize(font, text, 0), 1);
}

struct FailureCase {
  const char* name;
  bool overflow;
  std::u16string price;
  QString separator;
  QString message;
  friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
};

class FailureMessageTest : public ::testing::TestWithParam<FailureCase> {};

const QString kStopped = QStringLiteral(
    "\n\nMěření bylo zastaveno. Dosud naměřená spotřeba zůstává zachována: opravte cenu a "
    "stiskněte „Spustit Měření“, měření bude pokračovat.");

TEST_P(FailureMessageTest, SaysWhatFailedAndHowToWriteThePrice) {
  const FailureCase& row = GetParam();
  const QString message = row.overflow ? FailureMessage(OverflowError(row.price), row.separator)
                                       : FailureMessage(ConversionError(row.price), row.separator);
  EXPECT_EQ(message, row.message + kStopped);
}

INSTANTIATE_TEST_SUITE_P(
    Prices, FailureMessageTest,
    ::testing::Values(
        FailureCase{
            "letters with a decimal comma", false, u"abc", QStringLiteral(","),
            QStringLiteral("Text „abc“ v poli „Cena za 1 KWh“ není číslo. Cenu napište jako "
                           "číslo s desetinnou čárkou, například „2,65“.")},
        FailureCase{"comma under a decimal point locale", false, u"2,65", QStringLiteral("."),
                    QStringLiteral("Text „2,65“ v poli „Cena za 1 KWh“ není číslo. Cenu napište "
                                   "jako číslo s desetinnou tečkou, například „2.65“.")},
        FailureCase{"another separator", false, u"x", QStringLiteral("٫"),
                    QStringLiteral("Text „x“ v poli „Cena za 1 KWh“ není číslo. Cenu napište jako "
                                   "číslo s desetinným oddělovačem „٫“, například „2٫65“.")},
        FailureCase{"empty price", false, u"", QStringLiteral(","),
                    QStringLiteral("Pole „Cena za 1 KWh“ je prázdné. Cenu napište jako číslo s "
                                   "desetinnou čárkou, například „2,65“.")},
        FailureCase{"blank price", false, u"  ", QStringLiteral("."),
                    QStringLiteral("Pole „Cena za 1 KWh“ je prázdné. Cenu napište jako číslo s "
                                   "desetinnou tečkou, například „2.65“.")},
        FailureCase{"overflow", true, u"1E+308", QStringLiteral(","),
                    QStringLiteral("S cenou za 1 KWh „1E+308“ vychází cena tak velká, že ji "
                                   "program neumí spočítat.")}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(FailureMessageTest, TitleNamesTheProgram) { EXPECT_STREQ(kFailureTitle, "Voltarik - chyba"); }

struct ZoneCase {
  const char* name;
  QString format;
  QString without_zone;
  friend void PrintTo(const ZoneCase& row, std::ostream* out) { *out << row.name; }
};

class WithoutTimeZoneTest : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(WithoutTimeZoneTest, DropsUnquotedZoneLettersOnly) {
  EXPECT_EQ(WithoutTimeZone(GetParam().format), GetParam().without_zone);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WithoutTimeZoneTest,
    ::testing::Values(
        ZoneCase{"zone at the end", QStringLiteral("H:mm:ss t"), QStringLiteral("H:mm:ss")},
        ZoneCase{"long zone name", QStringLiteral("HH:mm:ss tttt"), QStringLiteral("HH:mm:ss")},
        ZoneCase{"zone in the middle", QStringLiteral("h:mm t AP"), QStringLiteral("h:mm AP")},
        ZoneCase{"quoted text before", QStringLiteral("'kl'. HH:mm:ss t"),
                 QStringLiteral("'kl'. HH:mm:ss")},
        ZoneCase{"quoted t is text", QStringLiteral("'at' H:mm:ss t"),
                 QStringLiteral("'at' H:mm:ss")},
        ZoneCase{"escaped quote inside quotes", QStringLiteral("'o''t' H t"),
                 QStringLiteral("'o''t' H")},
        ZoneCase{"no zone", QStringLiteral("HH.mm.ss"), QStringLiteral("HH.mm.ss")},
        ZoneCase{"comma before the zone", QStringLiteral("H:mm:ss, tttt"),
                 QStringLiteral("H:mm:ss")},
        ZoneCase{"day period before the zone", QStringLiteral("h:mm:ss Ap tttt"),
                 QStringLiteral("h:mm:ss Ap")},
        ZoneCase{"zone in parentheses", QStringLiteral("'Klock' H.mm:ss (t)"),
                 QStringLiteral("'Klock' H.mm:ss")},
        ZoneCase{"zone in brackets", QStringLiteral("APh:mm:ss [t]"), QStringLiteral("APh:mm:ss")},
        ZoneCase{"zone first", QStringLiteral("t APh:mm:ss"), QStringLiteral("APh:mm:ss")},
        ZoneCase{"a bracket after the zone's blank stays", QStringLiteral("h:mm t (AP)"),
                 QStringLiteral("h:mm (AP)")},
        ZoneCase{"quoted text right before the zone", QStringLiteral("H:mm:ss 'Uhr't"),
                 QStringLiteral("H:mm:ss 'Uhr'")},
        ZoneCase{"an unclosed quote keeps the rest", QStringLiteral("H:mm 'at t"),
                 QStringLiteral("H:mm 'at t")},
        ZoneCase{"two quotes for a quote mark", QStringLiteral("H'' t"), QStringLiteral("H''")},
        ZoneCase{"abbreviation's dot stays", QStringLiteral("H:mm:ss 'ч'. t"),
                 QStringLiteral("H:mm:ss 'ч'.")},
        ZoneCase{"narrow blank before the zone", QStringLiteral("h:mm:ss\u202fAP t"),
                 QStringLiteral("h:mm:ss\u202fAP")}),
    [](const auto& info) { return Slug(info.param.name); });

using Boundary = QAccessible::TextBoundaryType;

struct SegmentCase {
  const char* name;
  QString text;
  int offset;
  Boundary boundary;
  TextSegment at, before, after;
  friend void PrintTo(const SegmentCase& row, std::ostream* out) { *out << row.name; }
};

class TextSegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(TextSegmentTest, AnswersAtBeforeAndAfterAnOffset) {
  const SegmentCase& row = GetParam();
  EXPECT_EQ(SegmentAt(row.text, row.offset, row.boundary), row.at);
  EXPECT_EQ(SegmentBefore(row.text, row.offset, row.boundary), row.before);
  EXPECT_EQ(SegmentAfter(row.text, row.offset, row.boundary), row.after);
}

const QString kTwoWords = QStringLiteral("12 Kč");

INSTANTIATE_TEST_SUITE_P(
    Boundaries, TextSegmentTest,
    ::testing::Values(
        SegmentCase{"char at start", kTwoWords, 0, QAccessible::CharBoundary, TextSegment{0, 1},
                    TextSegment{0, 0}, TextSegment{1, 2}},
        SegmentCase{"char in the middle", kTwoWords, 2, QAccessible::CharBoundary,
                    TextSegment{2, 3}, TextSegment{1, 2}, TextSegment{3, 4}},
        SegmentCase{"char at the end is empty", kTwoWords, 5, QAccessible::CharBoundary,
                    TextSegment{5, 5}, TextSegment{4, 5}, TextSegment{5, 5}},
        SegmentCase{"word at start", kTwoWords, 0, QAccessible::WordBoundary, TextSegment{0, 2},
                    TextSegment{0, 0}, TextSegment{2, 3}},
        SegmentCase{"word inside the second word", kTwoWords, 4, QAccessible::WordBoundary,
                    TextSegment{3, 5}, TextSegment{2, 3}, TextSegment{5, 5}},
        SegmentCase{"word at the end is the last word", kTwoWords, 5, QAccessible::WordBoundary,
                    TextSegment{3, 5}, TextSegment{2, 3}, TextSegment{5, 5}},
        SegmentCase{"word in a decimal number", QStringLiteral("2,65"), 4,
                    QAccessible::WordBoundary, TextSegment{0, 4}, TextSegment{0, 0},
                    TextSegment{4, 4}},
        SegmentCase{"sentence at the end", QStringLiteral("Ano. Ne"), 7,
                    QAccessible::SentenceBoundary, TextSegment{5, 7}, TextSegment{0, 5},
                    TextSegment{7, 7}},
        SegmentCase{"sentence at start", QStringLiteral("Ano. Ne"), 0,
                    QAccessible::SentenceBoundary, TextSegment{0, 5}, TextSegment{0, 0},
                    TextSegment{5, 7}},
        SegmentCase{"line is the whole text", kTwoWords, 5, QAccessible::LineBoundary,
                    TextSegment{0, 5}, TextSegment{0, 0}, TextSegment{5, 5}},
        SegmentCase{"paragraph is the whole text", kTwoWords, 1, QAccessible::ParagraphBoundary,
                    TextSegment{0, 5}, TextSegment{0, 0}, TextSegment{5, 5}},
        SegmentCase{"empty text", QString(), 0, QAccessible::WordBoundary, TextSegment{0, 0},
                    TextSegment{0, 0}, TextSegment{0, 0}},
        SegmentCase{"offset past the end counts as the end", QStringLiteral("2"), 9,
                    QAccessible::WordBoundary, TextSegment{0, 1}, TextSegment{0, 0},
                    TextSegment{1, 1}},
        SegmentCase{"negative offset counts as the start", QStringLiteral("2"), -3,
                    QAccessible::CharBoundary, TextSegment{0, 1}, TextSegment{0, 0},
                    TextSegment{1, 1}}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(AccessibleBoxTest, ScreenReaderGetsTheWholeValueAndTheWindowAsAWindow) {
  const auto form = CzechWindow();
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Window);

  auto* price_box = Control<QLineEdit>(*form, "Text1");
  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(price_box);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->role(), QAccessible::EditableText);
  EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("Cena za 1 KWh"));
  EXPECT_EQ(box->text(QAccessible::Value), QStringLiteral("2,65"));
  EXPECT_TRUE(box->state().editable);
  QAccessibleTextInterface* text = box->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 4);
  EXPECT_EQ(text->text(1, 3), QStringLiteral(",6"));
  for (const int offset : {0, 2, 4}) {
    int start = -1;
    int end = -1;
    text->attributes(offset, &start, &end);
    EXPECT_EQ(start, 0) << offset;
    EXPECT_EQ(end, 4) << offset;
  }
  int start = -1;
  int end = -1;
  EXPECT_EQ(text->textAtOffset(4, QAccessible::WordBoundary, &start, &end), QStringLiteral("2,65"));

  text->setSelection(0, 1, 3);
  EXPECT_EQ(text->selectionCount(), 1);
  text->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(1, 3));
  text->removeSelection(0);
  EXPECT_EQ(text->selectionCount(), 0);
  text->setCursorPosition(2);
  EXPECT_EQ(text->cursorPosition(), 2);

  QAccessibleEditableTextInterface* editable = box->editableTextInterface();
  ASSERT_NE(editable, nullptr);
  editable->replaceText(0, 1, QStringLiteral("3"));
  editable->insertText(4, QStringLiteral("0"));
  editable->deleteText(1, 2);
  EXPECT_EQ(price_box->text(), QStringLiteral("3650"));
}

// What a screen reader reaches beyond the text: the neighbours of a word, the geometry of the
// characters, the selection and the read-only state.
TEST(AccessibleBoxTest, AnswersGeometrySelectionAndNeighboursLikeTheBoxItself) {
  const auto form = CzechWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  auto* disk_box = Control<QLineEdit>(*form, "Text2");
  disk_box->setText(QStringLiteral("12 Kč"));
  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(disk_box);
  QAccessibleTextInterface* text = box->textInterface();
  int start = -1;
  int end = -1;
  EXPECT_EQ(text->textBeforeOffset(4, QAccessible::WordBoundary, &start, &end),
            QStringLiteral(" "));
  EXPECT_EQ(std::pair(start, end), std::pair(2, 3));
  EXPECT_EQ(text->textAfterOffset(0, QAccessible::WordBoundary, &start, &end), QStringLiteral(" "));
  EXPECT_EQ(std::pair(start, end), std::pair(2, 3));

  const QRect first = text->characterRect(0);
  const QRect second = text->characterRect(1);
  const QRect whole(disk_box->mapToGlobal(QPoint(0, 0)), disk_box->size());
  EXPECT_FALSE(first.isEmpty());
  EXPECT_EQ(second.left(), first.right() + 1);
  EXPECT_TRUE(whole.contains(first)) << first.x() << ',' << first.y();
  EXPECT_EQ(first.center().y(), whole.center().y()) << "vertically centred in the box";
  EXPECT_TRUE(text->characterRect(5).isEmpty());
  EXPECT_TRUE(text->characterRect(-1).isEmpty());
  EXPECT_EQ(text->offsetAtPoint(second.center()), 1);
  EXPECT_EQ(text->offsetAtPoint(whole.bottomRight() + QPoint(5, 5)), -1);

  text->scrollToSubstring(0, 2);
  EXPECT_EQ(disk_box->cursorPosition(), 2);
  text->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(0, 0)) << "nothing selected";
  text->addSelection(1, 4);
  text->selection(1, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(0, 0)) << "a line edit has one selection";
  text->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(1, 4));

  EXPECT_TRUE(box->state().selectableText);
  EXPECT_FALSE(box->state().readOnly);
  disk_box->setReadOnly(true);
  EXPECT_TRUE(box->state().readOnly);
  EXPECT_FALSE(box->state().editable);
  box->editableTextInterface()->insertText(0, QStringLiteral("x"));
  EXPECT_EQ(disk_box->text(), QStringLiteral("12 Kč")) << "a read-only box is not changed";
  EXPECT_NE(box->interface_cast(QAccessible::ActionInterface), nullptr) << "press and focus stay";
}

}  // namespace
}  // namespace voltarik::testing
