#pragma once

#include <QRect>
#include <QSize>

// The geometry rules of the window and its scan pane, in twips: the least
// window size, the splitter's bounds, and where the lists, the splitter bar
// and the column of option frames stand for a given pane size, splitter top
// and window height.
namespace ScanPaneLayout {

inline constexpr int MinWindowWidth = 7100;
inline constexpr int MinWindowHeight = 7300;
inline constexpr int SplitterMinTop = 3250;
// The splitter's top stays at least this far above the window's bottom.
inline constexpr int SplitterBottomGap = 3900;
inline constexpr int SplitterHeight = 90;

struct Geometry
{
    QRect scanList;
    QRect splitter;
    QRect analysisList;
    QRect frames;
};

// On a resize only the lower bound of the window applies to the splitter.
int clampOnResize(int splitterTop, int windowHeight);
// When a drag ends the splitter snaps into [3250, window height - 3900].
int clampOnRelease(int splitterTop, int windowHeight);

// The column of option frames is DesignFramesColumn wide, or framesColumn
// when its contents need more (the desktop's font may be wider than the
// design's).
inline constexpr int DesignFramesColumn = 3900;
Geometry compute(QSize pane, int splitterTop, int windowHeight, int framesColumn = DesignFramesColumn);
// The pane width at which compute() gives the lists listWidth.
int paneWidthFor(int listWidth, int framesColumn = DesignFramesColumn);

} // namespace ScanPaneLayout
