// The drawing routines and the progress bar, pixel for pixel against direct formulas.
#include "ui/controls/drawing_routines.h"

#include <QTest>
#include <cmath>

#include "ui/controls/dib_surface.h"
#include "ui/progress_display.h"
#include "ui/ui_suite.h"

using namespace lumivex::ui;

namespace {

constexpr std::int32_t kPaper = static_cast<std::int32_t>(gdi::RGB(1, 2, 3));

std::int32_t pixel(const DibSurface& surface, int x, int y) {
  return static_cast<std::int32_t>(gdi::GetPixel(surface.hdc(), x, y));
}

std::int32_t rgb(int r, int g, int b) {
  return static_cast<std::int32_t>(
      gdi::RGB(static_cast<unsigned>(r), static_cast<unsigned>(g), static_cast<unsigned>(b)));
}

int red(std::int32_t c) { return c & 0xFF; }
int green(std::int32_t c) { return (c >> 8) & 0xFF; }
int blue(std::int32_t c) { return (c >> 16) & 0xFF; }

// Strip k (1 = the far edge) of a gradient of `span` strips from color (near) to color2 (far).
std::int32_t gradientStrip(int k, int span, std::int32_t color, std::int32_t color2) {
  if (k <= 1) return color2;
  auto step = [&](int to, int from) {
    return static_cast<int>(std::nearbyint(to + static_cast<double>(from - to) * (k - 2) / span));
  };
  return rgb(step(red(color2), red(color)), step(green(color2), green(color)),
             step(blue(color2), blue(color)));
}

// The progress bar as the user sees it at a fraction, column by column.
std::int32_t expectedProgressColumn(int x, double fraction, int width) {
  fraction = std::max(std::min(fraction, 1.0), 0.0);
  int doneEnd = static_cast<int>(std::nearbyint(static_cast<float>(width) * fraction));
  int edgeEnd = static_cast<int>(std::nearbyint(static_cast<float>(width) * fraction + 10));
  if (x >= doneEnd && x < edgeEnd)
    return gradientStrip(edgeEnd - x, edgeEnd - doneEnd, kProgressEdge, kProgressBackground);
  if (x < std::max(doneEnd, 1)) return kProgressDone;
  return kProgressBackground;
}

}  // namespace

class DrawingRoutinesTest : public QObject {
  Q_OBJECT

 private slots:
  void blendColorMixesEachComponent_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<float>("weight");
    QTest::addColumn<int>("expected");
    QTest::newRow("weight 0 keeps from") << rgb(10, 20, 30) << rgb(200, 100, 50) << 0.0f << rgb(10, 20, 30);
    QTest::newRow("weight 1 takes to") << rgb(10, 20, 30) << rgb(200, 100, 50) << 1.0f << rgb(200, 100, 50);
    QTest::newRow("halves go to even") << rgb(0, 1, 3) << rgb(1, 2, 4) << 0.5f << rgb(0, 2, 4);
    QTest::newRow("quarter") << rgb(0, 0, 0) << rgb(255, 100, 8) << 0.25f << rgb(64, 25, 2);
    QTest::newRow("fourth byte ignored")
        << static_cast<int>(0xFF000000u | gdi::RGB(0, 0, 0)) << rgb(100, 100, 100) << 0.5f << rgb(50, 50, 50);
  }
  void blendColorMixesEachComponent() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(float, weight);
    QFETCH(int, expected);
    QCOMPARE(BlendColor(from, to, weight), expected);
  }

  void zeroWidthBoxIsOnePixelWide() {
    DibSurface s;
    s.resize(8, 8);
    s.clear(kPaper);
    DrawBox(s.hdc(), 3, 1, 3, 5, rgb(9, 9, 9), false, 1, kNoSecondColor, kAutomaticDirection);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        QCOMPARE(pixel(s, x, y), (x == 3 && y >= 1 && y < 5) ? rgb(9, 9, 9) : kPaper);
  }

  void thickHorizontalLineIsThreePixelsHigh() {
    DibSurface s;
    s.resize(10, 10);
    s.clear(kPaper);
    DrawBox(s.hdc(), 1, 2, 8, 2, rgb(7, 7, 7), false, 3, kNoSecondColor, kAutomaticDirection);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        QCOMPARE(pixel(s, x, y), (x >= 1 && x < 8 && y >= 2 && y < 5) ? rgb(7, 7, 7) : kPaper);
  }

  void outlineDrawsFourEdges() {
    DibSurface s;
    s.resize(12, 12);
    s.clear(kPaper);
    DrawBox(s.hdc(), 2, 3, 9, 10, rgb(5, 5, 5), true, 1, kNoSecondColor, kAutomaticDirection);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        bool inBox = x >= 2 && x < 9 && y >= 3 && y < 10;
        bool edge = inBox && (x == 2 || x == 8 || y == 3 || y == 9);
        QCOMPARE(pixel(s, x, y), edge ? rgb(5, 5, 5) : kPaper);
      }
  }

  void gradientOfSpanOneIsSecondColour() {
    DibSurface s;
    s.resize(4, 4);
    s.clear(kPaper);
    DrawBox(s.hdc(), 1, 0, 2, 4, rgb(255, 0, 0), false, 1, rgb(0, 0, 255), kHorizontal);
    for (int y = 0; y < 4; ++y) QCOMPARE(pixel(s, 1, y), rgb(0, 0, 255));
    QCOMPARE(pixel(s, 0, 0), kPaper);
    QCOMPARE(pixel(s, 2, 0), kPaper);
  }

  void gradientRunsFromSecondColourAtTheFarEdge_data() {
    QTest::addColumn<bool>("vertical");
    QTest::newRow("horizontal") << false;
    QTest::newRow("vertical") << true;
  }
  void gradientRunsFromSecondColourAtTheFarEdge() {
    QFETCH(bool, vertical);
    DibSurface s;
    s.resize(20, 20);
    s.clear(kPaper);
    std::int32_t color = rgb(20, 200, 90);
    std::int32_t color2 = rgb(250, 10, 131);
    DrawBox(s.hdc(), 2, 3, 15, 16, color, false, 1, color2, vertical ? kVertical : kHorizontal);
    for (int i = 0; i < 13; ++i) {
      int k = 13 - i;  // counted from the far edge
      int x = vertical ? 7 : 2 + i;
      int y = vertical ? 3 + i : 9;
      QCOMPARE(pixel(s, x, y), gradientStrip(k, 13, color, color2));
    }
  }

  void automaticDirectionFollowsTheLongerSide() {
    DibSurface s;
    s.resize(20, 20);
    s.clear(kPaper);
    DrawBox(s.hdc(), 0, 0, 4, 12, rgb(0, 0, 0), false, 1, rgb(240, 240, 240), kAutomaticDirection);
    QCOMPARE(pixel(s, 0, 11), rgb(240, 240, 240));  // the bottom row is the far edge
    QCOMPARE(pixel(s, 3, 11), rgb(240, 240, 240));
    QCOMPARE(pixel(s, 0, 0), pixel(s, 3, 0));
    QVERIFY(pixel(s, 0, 0) != rgb(240, 240, 240));
  }

  // A disc is solid inside its rim, fades over the rim and leaves the corners alone; it is
  // symmetric about its centre.
  void discIsSolidInsideAndSymmetric() {
    DibSurface s;
    s.resize(20, 20);
    s.clear(kPaper);
    std::int32_t color = rgb(60, 180, 50);
    std::int32_t background = rgb(235, 235, 248);
    DrawRing(s.hdc(), 2, 2, 14, 14, color, background, 1.0f, true);
    QCOMPARE(pixel(s, 8, 8), color);
    QCOMPARE(pixel(s, 2, 2), kPaper);
    QCOMPARE(pixel(s, 14, 14), kPaper);
    for (int y = 2; y <= 14; ++y)
      for (int x = 2; x <= 14; ++x) {
        QCOMPARE(pixel(s, x, y), pixel(s, 16 - x, y));
        QCOMPARE(pixel(s, x, y), pixel(s, y, x));
      }
  }

  // Each pixel against the ring formula evaluated on its own.
  void ringMatchesItsFormula_data() {
    QTest::addColumn<float>("halfWidth");
    QTest::addColumn<bool>("filled");
    QTest::newRow("ring 1") << 1.0f << false;
    QTest::newRow("ring 1.2") << 1.2f << false;
    QTest::newRow("disc 1") << 1.0f << true;
    QTest::newRow("dot 0.5") << 0.5f << true;
  }
  void ringMatchesItsFormula() {
    QFETCH(float, halfWidth);
    QFETCH(bool, filled);
    DibSurface s;
    s.resize(24, 24);
    s.clear(kPaper);
    const int x1 = 3, y1 = 1, x2 = 14, y2 = 20;
    std::int32_t color = rgb(235, 170, 70);
    std::int32_t background = rgb(10, 20, 30);
    DrawRing(s.hdc(), x1, y1, x2, y2, color, background, halfWidth, filled);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        std::int32_t expected = kPaper;
        if (x >= x1 && x <= x2 && y >= y1 && y <= y2) {
          float r = (x2 - x1) / 2.0f;
          float in = r - halfWidth, out = r + halfWidth, mid = (in + out) / 2.0f;
          float dx = x - (x1 + x2) / 2.0f, dy = y - (y1 + y2) / 2.0f;
          float sq = dx * dx + dy * dy;
          if (sq >= in * in && sq <= out * out) {
            float d = std::sqrt(sq);
            float w = filled     ? (out - d) / (out - in)
                      : d >= mid ? (out - d) / (out - mid)
                                 : 1 - (mid - d) / (mid - in);
            auto mix = [&](int a, int b) {
              return static_cast<int>(
                  std::nearbyint(static_cast<double>(1.0f - w) * a + static_cast<double>(w) * b));
            };
            expected = rgb(mix(red(background), red(color)), mix(green(background), green(color)),
                           mix(blue(background), blue(color)));
          } else if (filled && sq < in * in) {
            expected = color;
          }
        }
        QCOMPARE(pixel(s, x, y), expected);
      }
  }

  void progressBarPixels_data() {
    QTest::addColumn<double>("fraction");
    QTest::newRow("0") << 0.0;
    QTest::newRow("0.5") << 0.5;
    QTest::newRow("1") << 1.0;
    QTest::newRow("1.3 draws as 1") << 1.3;
    QTest::newRow("-1 draws as 0") << -1.0;
    QTest::newRow("0.95 clips the edge") << 0.95;
  }
  void progressBarPixels() {
    QFETCH(double, fraction);
    ProgressDisplay bar;
    bar.resize(185, 17);  // 2775 x 255 twips
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.DrawProgress(fraction);
    QImage image = bar.image();
    QCOMPARE(image.size(), QSize(185, 17));
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 185; ++x) {
        QRgb shown = image.pixel(x, y);
        QCOMPARE(rgb(qRed(shown), qGreen(shown), qBlue(shown)), expectedProgressColumn(x, fraction, 185));
      }
  }

  void progressBarAtZeroStartsWithItsDeepestColumn() {
    ProgressDisplay bar;
    bar.resize(185, 17);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.DrawProgress(0.0);
    QImage image = bar.image();
    // The done part is one pixel wide, and the soft edge starting at 0 paints over it.
    QCOMPARE(rgb(qRed(image.pixel(0, 5)), qGreen(image.pixel(0, 5)), qBlue(image.pixel(0, 5))),
             rgb(100, 126, 253));
    QCOMPARE(rgb(qRed(image.pixel(9, 5)), qGreen(image.pixel(9, 5)), qBlue(image.pixel(9, 5))),
             kProgressBackground);
  }

  void progressBarShowsOnScreen() {
    ProgressDisplay bar;
    bar.resize(185, 17);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.DrawProgress(1.0);
    QImage grabbed = bar.grab().toImage();
    QCOMPARE(QColor(grabbed.pixel(100, 8)), QColor(96, 128, 255));
  }
};

LUMIVEX_UI_TEST(DrawingRoutinesTest);

#include "drawing_routines_test.moc"
