// The progress bar of the main window: a solid box for the share of a run started so far and a
// ten-pixel soft edge that fades from a deeper blue into the background; at the end of a run, the
// share that failed in red. It keeps its own
// persistent image, drawn through the device-context layer and copied to the screen on refresh.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "platform/gdi.h"
#include "ui/controls/dib_surface.h"

namespace lumivex::ui {

inline constexpr std::int32_t kProgressBackground = static_cast<std::int32_t>(gdi::RGB(245, 245, 245));
inline constexpr std::int32_t kProgressDone = static_cast<std::int32_t>(gdi::RGB(96, 128, 255));
inline constexpr std::int32_t kProgressEdge = static_cast<std::int32_t>(gdi::RGB(64, 96, 255));
inline constexpr std::int32_t kProgressEdgeWidth = 10;
inline constexpr std::int32_t kProgressFailed = static_cast<std::int32_t>(gdi::RGB(224, 64, 64));

class ProgressDisplay : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressDisplay(QWidget* parent = nullptr);

  // Paints the bar for a fraction of the run; values outside 0..1 are clamped to it.
  void DrawProgress(double fraction);
  // The bar of a finished run: full, with the share of the photos that failed drawn at its end
  // in the failure colour, so a run with failures never reads as a plain success.
  void DrawOutcome(std::int32_t photos, std::int32_t failed);

  // The persistent image: clearing fills it with the background, drawing goes to its device
  // context, and a refresh shows it.
  void Cls();
  gdi::HDC hdc() const { return surface_.hdc(); }
  float ScaleWidth() const { return static_cast<float>(surface_.width()); }
  float ScaleHeight() const { return static_cast<float>(surface_.height()); }
  void Refresh();

  // What the screen shows after the last refresh.
  QImage image() const { return surface_.snapshot(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  DibSurface surface_;
};

}  // namespace lumivex::ui
