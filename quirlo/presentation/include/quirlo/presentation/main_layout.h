// Geometry rules of the main window, as plain arithmetic on client coordinates.
//
// The readout panel is pinned to the right edge and the chart takes what is left; the status
// bar's file panel absorbs every change of the window's width so the three small panels keep
// their size.
#pragma once

namespace quirlo::presentation {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

inline constexpr int kReadoutPanelWidth = 192;
inline constexpr int kReadoutPanelHeight = 625;
inline constexpr Rect kInitialChartRect{0, 60, 824, 633};

struct MainLayout {
  Rect chart;
  Rect panel;
};

// clientWidth/clientHeight: the window's client area; toolBarHeight: height of the tool bar
// area at its top; statusBarHeight: height of the status bar at its bottom. Sizes never go
// below 0.
MainLayout ComputeMainLayout(int clientWidth, int clientHeight, int toolBarHeight,
                             int statusBarHeight, int panelWidth = kReadoutPanelWidth);

// Where the floating replay bar first appears, in client coordinates.
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
Point ReplayBarPosition(const Rect& chart, int toolBarHeight);

// Status bar panels: widths 170, 635, 60, 50; panel 1 follows the bar's width changes.
class TStatusPanels {
 public:
  static constexpr int kCount = 4;
  static constexpr int kInitialWidths[kCount] = {170, 635, 60, 50};

  // The status bar changed its width from oldWidth to newWidth (the first call after creation
  // passes oldWidth == newWidth or the bar's first known width).
  void BarResized(int oldWidth, int newWidth);
  int Width(int panel) const;

 private:
  // Kept unclamped so that shrinking below zero and growing back restores the same width.
  int fileWidth_ = kInitialWidths[1];
};

}  // namespace quirlo::presentation
