#include "app/parts/ScanPaneLayout.h"

#include <algorithm>

namespace ScanPaneLayout {

int clampOnResize(int splitterTop, int windowHeight)
{
    return std::min(splitterTop, windowHeight - SplitterBottomGap);
}

int clampOnRelease(int splitterTop, int windowHeight)
{
    const int highest = std::max(SplitterMinTop, windowHeight - SplitterBottomGap);
    return std::clamp(splitterTop, SplitterMinTop, highest);
}

Geometry compute(QSize pane, int splitterTop, int windowHeight, int framesColumn)
{
    Geometry g;
    const int listWidth = std::max(0, pane.width() - paneWidthFor(0, framesColumn));
    g.scanList = QRect(50, 50, listWidth, std::max(0, splitterTop - 100));
    g.splitter = QRect(0, splitterTop, pane.width(), SplitterHeight);
    const int analysisTop = splitterTop + 95;
    // The design's height counts from the window's outer height; it is kept
    // inside the pane, whose chrome differs from the design's.
    const int analysisHeight = std::min(windowHeight - splitterTop - 1940, pane.height() - analysisTop - 50);
    g.analysisList = QRect(50, analysisTop, listWidth, std::max(0, analysisHeight));
    const int framesLeft = 50 + listWidth + 100;
    g.frames =
        QRect(framesLeft, 50, std::max(0, pane.width() - framesLeft - 50), std::max(0, pane.height() - 100));
    return g;
}

int paneWidthFor(int listWidth, int framesColumn)
{
    return listWidth + std::max(framesColumn, DesignFramesColumn);
}

} // namespace ScanPaneLayout
