#pragma once

#include <QObject>
#include <QString>

class QMainWindow;
class ScanPane;

// The window's size, position, maximised state and splitter, kept from one
// start to the next in the user's configuration folder
// (<config>/Netkestrel/Netkestrel.conf, group "Window"). Restoring keeps the
// window's minimum size (a smaller stored size is raised to it) and ignores
// a stored position that lies on no screen, leaving the placement to the
// desktop. Nothing is stored until the first save; until then the
// window opens at its size hint, within the screen's available area.
class WindowPlacement : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *Group = "Window";
    static constexpr const char *SizeKey = "size";
    static constexpr const char *PositionKey = "position";
    static constexpr const char *MaximizedKey = "maximized";
    static constexpr const char *SplitterKey = "splitterTop"; // twips

    WindowPlacement(QMainWindow *window, ScanPane *pane);

    // Read anew at every call, so that a changed XDG_CONFIG_HOME counts.
    static QString settingsPath();

    // Before the window is first shown.
    void restore();
    void save() const;

private:
    QMainWindow *m_window;
    ScanPane *m_pane;
};
