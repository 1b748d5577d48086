// Time from the end of the news fetch to the window's first paint, the box's responsiveness
// afterwards and the process's peak memory, for one shape of news document. The document goes
// the real way: decoded from its bytes, limited for display, put into the news box of the real
// window, which is then shown. One shape per process, so that the peak memory is its own.
//
// Usage: voltarik_news_box_bench SHAPE [--unlimited]   (--unlimited: the box takes the decoded
// document as it is, to compare)   voltarik_news_box_bench --list
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "news/news_decoding.h"
#include "window/form1.h"
#include "window/qt_locale.h"

namespace {

constexpr qsizetype kBodyCap = 1024 * 1024;  // the fetch's limit on a body

// Repeats `unit` to just under the fetch's cap.
QByteArray Fill(const QByteArray& unit) {
  QByteArray body;
  body.reserve(kBodyCap);
  while (body.size() + unit.size() < kBodyCap) body += unit;
  return body;
}

QByteArray NormalLines(qsizetype bytes) {
  const QByteArray lines[] = {
      "Voltarik 1.1 je venku! Nově umí počítat i spotřebu tiskárny a skeneru.\r\n",
      "Opravili jsme chybu, kvůli které se při změně ceny za kWh neukládal součet.\r\n",
      "Děkujeme všem, kdo nám poslali připomínky; žluťoučký kůň úpěl ďábelské ódy.\r\n", "\r\n"};
  QByteArray body;
  for (int i = 0; body.size() + lines[i % 4].size() <= bytes; ++i) body += lines[i % 4];
  return body;
}

QByteArray Utf8(char32_t code_point) { return QString::fromUcs4(&code_point, 1).toUtf8(); }

const std::map<std::string, std::function<QByteArray()>>& Shapes() {
  static const std::map<std::string, std::function<QByteArray()>> shapes = {
      {"normal-4k", [] { return NormalLines(4096); }},
      {"normal-1m", [] { return NormalLines(kBodyCap - 1); }},
      {"unbroken-latin", [] { return Fill("a"); }},
      {"unbroken-czech", [] { return Fill("ž"); }},
      {"one-letter-lines", [] { return Fill("a\n"); }},
      {"tabs", [] { return Fill("\t"); }},
      {"cr-only-lines", [] { return Fill("Nov\xc3\xa1 verze\r"); }},
      {"one-long-paragraph", [] { return Fill("slovo "); }},
      {"hebrew-text", [] { return Fill(Utf8(0x05E9) + Utf8(0x05DC) + Utf8(0x05D5) + " "); }},
      {"unbroken-hebrew", [] { return Fill(Utf8(0x05E9) + Utf8(0x05DC) + Utf8(0x05D5)); }},
      {"unbroken-mixed-direction", [] { return Fill("ab" + Utf8(0x05E9) + Utf8(0x05DC)); }},
      {"devanagari-text",
       [] { return Fill(Utf8(0x0915) + Utf8(0x094D) + Utf8(0x0937) + Utf8(0x093F) + " "); }},
      {"unbroken-arabic", [] { return Fill(Utf8(0x0628) + Utf8(0x0633) + Utf8(0x0645)); }},
      {"combining-marks", [] { return "a" + Fill(Utf8(0x0301)); }},
      {"nuls-and-controls",
       [] {
         QByteArray unit;
         for (char c = 0; c < 32; ++c) unit += c;
         return Fill(unit);
       }},
  };
  return shapes;
}

double PeakRssMib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Runs `step` and paints the box, in ms.
double Timed(QPlainTextEdit& box, const std::function<void()>& step) {
  QElapsedTimer timer;
  timer.start();
  step();
  box.viewport()->repaint();
  QCoreApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string shape = argc > 1 ? argv[1] : "";
  const bool unlimited = argc > 2 && std::string(argv[2]) == "--unlimited";
  if (shape == "--list") {
    std::puts("introduction");
    for (const auto& [name, make] : Shapes()) std::puts(name.c_str());
    return 0;
  }
  const auto made = Shapes().find(shape);
  if (shape != "introduction" && made == Shapes().end()) {
    std::fprintf(stderr, "unknown shape %s (--list lists them)\n", shape.c_str());
    return 2;
  }
  const std::optional<QByteArray> body =
      made == Shapes().end() ? std::nullopt : std::optional(made->second());

  QApplication application(argc, argv);
  voltarik::Form1 form(voltarik::CoreLocale(QLocale::c()),
                       [&body](const QString&) -> std::optional<QString> {
                         if (!body) return std::nullopt;
                         return voltarik::DecodeNewsBody(*body, {});
                       });
  auto* box = form.findChild<QPlainTextEdit*>(QStringLiteral("Text3"));

  QElapsedTimer timer;
  double first_paint_ms = -1;
  // The first paint of the news box, once it is on the screen.
  struct PaintWatch : QObject {
    std::function<void()> on_paint;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && on_paint) {
        QTimer::singleShot(0, on_paint);
        on_paint = nullptr;
      }
      return false;
    }
  } watch;
  watch.on_paint = [&] {
    first_paint_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QCoreApplication::quit();
  };
  box->viewport()->installEventFilter(&watch);

  timer.start();
  if (unlimited && body) {
    form.SetNewsText(voltarik::DecodeNewsBody(*body, {}));
  } else {
    form.Form_Load();
  }
  form.CenterOnScreen();
  form.show();
  QApplication::exec();

  box->setFocus();
  const double end_ms =
      Timed(*box, [&] { QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier); });
  const double home_ms =
      Timed(*box, [&] { QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier); });
  const double page_down_ms = Timed(*box, [&] { QTest::keyClick(box, Qt::Key_PageDown); });
  const double scroll_bar_ms =
      Timed(*box, [&] { box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum()); });
  const double select_copy_ms = Timed(*box, [&] {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  });
  const double typing_ms = Timed(*box, [&] {
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("ž"));
    QApplication::sendEvent(box, &letter);
  });

  std::printf(
      "%-26s bytes=%-8lld first_paint_ms=%.1f peak_rss_mib=%.1f lines=%d ctrl_end_ms=%.1f "
      "ctrl_home_ms=%.1f page_down_ms=%.1f scroll_bar_ms=%.1f select_copy_ms=%.1f "
      "typing_ms=%.1f\n",
      shape.c_str(), body ? static_cast<long long>(body->size()) : 0LL, first_paint_ms,
      PeakRssMib(), box->document()->blockCount(), end_ms, home_ms, page_down_ms, scroll_bar_ms,
      select_copy_ms, typing_ms);
  return 0;
}
