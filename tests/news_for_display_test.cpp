// What the news box is given for documents within and beyond its limits: exactly the document
// when it is within them, otherwise broken lines, shortened letters or a cut tail, and a note.
#include "news/news_for_display.h"

#include <gtest/gtest.h>

#include "tests/qt_printers.h"
#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

const QString kNoteStart = QStringLiteral("[Zpráva je pro zobrazení upravena: ");
const QString kBroken = QStringLiteral("řádky delší než 2000 znaků jsou rozděleny");
const QString kReplaced =
    QStringLiteral("znaky s příliš mnoha diakritickými znaménky jsou nahrazeny znakem „�“");
const QString kCut = QStringLiteral("zobrazen je jen její začátek");

QString Note(const QString& changes) { return kNoteStart + changes + QStringLiteral(".]"); }

QString Repeat(const QString& unit, qsizetype times) { return unit.repeated(times); }

const QString kA = QStringLiteral("a");
const QString kDecomposedZCaron = QStringLiteral("z\u030C");   // one letter, 2 units
const QString kEmoji = QString::fromUcs4(U"\U0001F600");       // one letter, 2 units
const QString kAstralMark = QString::fromUcs4(U"\U000E0100");  // a variation selector
// A letter of an unassigned plane with a mark: Qt's finder puts a boundary inside its pair.
const QString kUnassignedMarked = QString::fromUcs4(U"\U0004C200\u103D");
const QString kLineOfLimit = Repeat(kA, kMaxNewsLineLength);

struct DisplayCase {
  const char* name;
  QString document;
  QString shown;
  friend void PrintTo(const DisplayCase& row, std::ostream* out) { *out << row.name; }
};

class NewsForDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(NewsForDisplayTest, BoxGetsTheDocumentWithinTheLimits) {
  EXPECT_EQ(LimitNewsForDisplay(GetParam().document), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, NewsForDisplayTest,
    ::testing::Values(
        DisplayCase{"empty", QString(), QString()},
        DisplayCase{"czech lines with every line end",
                    QStringLiteral("Nově\r\nčárka\rž\nkůň\u2029"),
                    QStringLiteral("Nově\r\nčárka\rž\nkůň\u2029")},
        DisplayCase{"a line at the length limit", kLineOfLimit + "\r\n" + kLineOfLimit,
                    kLineOfLimit + "\r\n" + kLineOfLimit},
        DisplayCase{"a line one over the limit is broken before its last letter",
                    kLineOfLimit + "b\r\nc", kLineOfLimit + "\nb\r\nc\n" + Note(kBroken)},
        DisplayCase{"a long paragraph breaks after the last blank of each line",
                    Repeat(QStringLiteral("slovo "), 700) + "konec",
                    Repeat(QStringLiteral("slovo "), 333) + "\n" +
                        Repeat(QStringLiteral("slovo "), 333) + "\n" +
                        Repeat(QStringLiteral("slovo "), 34) + "konec\n" + Note(kBroken)},
        DisplayCase{"a blank at half the line is used", Repeat(kA, 999) + " " + Repeat(kA, 1001),
                    Repeat(kA, 999) + " \n" + Repeat(kA, 1001) + "\n" + Note(kBroken)},
        DisplayCase{"a blank short of half the line is not used",
                    Repeat(kA, 998) + " " + Repeat(kA, 1002),
                    Repeat(kA, 998) + " " + Repeat(kA, 1001) + "\na\n" + Note(kBroken)},
        DisplayCase{"a line broken at a blank goes on from there",
                    Repeat(kA, 1500) + " " + Repeat(QStringLiteral("b"), 2500),
                    Repeat(kA, 1500) + " \n" + Repeat(QStringLiteral("b"), 2000) + "\n" +
                        Repeat(QStringLiteral("b"), 500) + "\n" + Note(kBroken)},
        DisplayCase{
            "decomposed letters are not split", Repeat(kDecomposedZCaron, 1001),
            Repeat(kDecomposedZCaron, 1000) + "\n" + kDecomposedZCaron + "\n" + Note(kBroken)},
        DisplayCase{"surrogate pairs are not split", "a" + Repeat(kEmoji, 1000),
                    "a" + Repeat(kEmoji, 999) + "\n" + kEmoji + "\n" + Note(kBroken)},
        DisplayCase{
            "a marked letter of an unassigned plane is not split",
            "a" + Repeat(kUnassignedMarked, 667),
            "a" + Repeat(kUnassignedMarked, 666) + "\n" + kUnassignedMarked + "\n" + Note(kBroken)},
        DisplayCase{"a letter at the mark limit is kept",
                    "a" + Repeat(QStringLiteral("\u0301"), 31),
                    "a" + Repeat(QStringLiteral("\u0301"), 31)},
        DisplayCase{"a letter over the mark limit is replaced and counts as one",
                    Repeat(kA, 1998) + "x" + Repeat(QStringLiteral("\u0301"), 40) + "b",
                    Repeat(kA, 1998) + "\uFFFDb\n" + Note(kReplaced)},
        DisplayCase{
            "marks that Qt's finder parts after another script stay one letter",
            QStringLiteral("\u0B1A\u0000\u2601\uFFFD") + Repeat(QStringLiteral("\u1A1A"), 40),
            QStringLiteral("\u0B1A\u0000\u2601\uFFFD\n") + Note(kReplaced)},
        DisplayCase{"marks after a control character are a letter of their own",
                    QStringLiteral("\u0000") + Repeat(QStringLiteral("\u0301"), 40) +
                        QStringLiteral("\u200B") + Repeat(QStringLiteral("\u0301"), 40),
                    QStringLiteral("\u0000\uFFFD\u200B\uFFFD\n") + Note(kReplaced)},
        DisplayCase{"a letter longer than the search window ends its line",
                    "a" + Repeat(kAstralMark, 5000) + "b\nc",
                    QStringLiteral("\uFFFD\nc\n") + Note(kReplaced)},
        DisplayCase{"lines up to the limit are kept", Repeat(QStringLiteral("a\r\n"), 4999) + "a",
                    Repeat(QStringLiteral("a\r\n"), 4999) + "a"},
        DisplayCase{"a cr lf at the very end is one line end",
                    Repeat(QStringLiteral("a\n"), 4998) + "a\r\n",
                    Repeat(QStringLiteral("a\n"), 4998) + "a\r\n"},
        DisplayCase{"lines past the limit are left out, whatever ends them",
                    Repeat(QStringLiteral("a\u2029a\uFDD0a\uFDD1a\r\na\n"), 1000),
                    Repeat(QStringLiteral("a\u2029a\uFDD0a\uFDD1a\r\na\n"), 1000) + Note(kCut)},
        DisplayCase{"lines past the limit are left out", Repeat(QStringLiteral("a\r"), 5000),
                    Repeat(QStringLiteral("a\r"), 4999) + "a\n" + Note(kCut)},
        DisplayCase{"text up to the length limit is kept, a last line end included",
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 12) + "\n",
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 12) + "\n"},
        DisplayCase{
            "text after a replaced letter counts once toward the length limit",
            Repeat(kLineOfLimit + "\n", 131) + "x" + Repeat(QStringLiteral("\u0301"), 40) +
                Repeat(kA, 12),
            Repeat(kLineOfLimit + "\n", 131) + "\uFFFD" + Repeat(kA, 12) + "\n" + Note(kReplaced)},
        DisplayCase{"text past the length limit is left out",
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 14),
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 13) + "\n" + Note(kCut)},
        DisplayCase{"a line end past the length limit is left out",
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 12) + "\r\nb",
                    Repeat(kLineOfLimit + "\n", 131) + Repeat(kA, 12) + "\n" + Note(kCut)},
        DisplayCase{"broken pieces count as lines",
                    Repeat(QStringLiteral("\n"), 4999) + kLineOfLimit + kLineOfLimit,
                    Repeat(QStringLiteral("\n"), 4999) + kLineOfLimit + "\n" + Note(kCut)},
        DisplayCase{"every change is named",
                    Repeat(QStringLiteral("\n"), 4998) + kLineOfLimit + "a" +
                        Repeat(QStringLiteral("\u0301"), 40) + "\nx",
                    Repeat(QStringLiteral("\n"), 4998) + kLineOfLimit + "\n\uFFFD\n" +
                        Note(kCut + "; " + kBroken + "; " + kReplaced)}),
    [](const auto& info) { return Slug(info.param.name); });

}  // namespace
}  // namespace voltarik::testing
