#include "quirlo/presentation/main_layout.h"

#include <algorithm>

namespace quirlo::presentation {

MainLayout ComputeMainLayout(int clientWidth, int clientHeight, int toolBarHeight,
                             int statusBarHeight, int panelWidth) {
  MainLayout l;
  l.panel.width = panelWidth;
  l.panel.left = clientWidth - panelWidth - 1;
  l.panel.top = toolBarHeight + 8;
  l.chart.left = 0;
  l.chart.top = toolBarHeight + 5;
  l.chart.width = std::max(0, l.panel.left - 1);
  l.chart.height = std::max(0, clientHeight - l.chart.top - statusBarHeight);
  l.panel.height = std::max(0, l.chart.height - 9);
  return l;
}

Point ReplayBarPosition(const Rect& chart, int toolBarHeight) {
  return {chart.left + chart.width / 4 + 40, toolBarHeight + 50};
}

void TStatusPanels::BarResized(int oldWidth, int newWidth) { fileWidth_ += newWidth - oldWidth; }

int TStatusPanels::Width(int panel) const {
  if (panel < 0 || panel >= kCount) return 0;
  return panel == 1 ? std::max(0, fileWidth_) : kInitialWidths[panel];
}

}  // namespace quirlo::presentation
