#include "app/parts/WindowPlacement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>

#include "app/parts/ScanPane.h"

namespace {

// A window counts as on a screen when the middle of its top edge is, so that
// its caption can be reached to move it.
bool onSomeScreen(const QRect &geometry)
{
    return QGuiApplication::screenAt(QPoint(geometry.center().x(), geometry.top())) != nullptr;
}

} // namespace

WindowPlacement::WindowPlacement(QMainWindow *window, ScanPane *pane)
    : QObject(window), m_window(window), m_pane(pane)
{
}

QString WindowPlacement::settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Netkestrel/Netkestrel.conf");
}

void WindowPlacement::restore()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(Group));
    const QSize size = settings.value(QLatin1String(SizeKey)).toSize();
    if (size.isValid())
        m_window->resize(size.expandedTo(m_window->minimumSize()));
    else // the first start: every column and the whole status bar in view, as far as the screen allows
        m_window->resize(m_window->sizeHint()
                             .expandedTo(QSize(m_window->statusBar()->sizeHint().width(), 0))
                             .expandedTo(m_window->size())
                             .boundedTo(m_window->screen()->availableGeometry().size())
                             .expandedTo(m_window->minimumSize()));
    const QVariant position = settings.value(QLatin1String(PositionKey));
    if (position.isValid()) {
        const QRect placed(position.toPoint(), m_window->size());
        if (onSomeScreen(placed))
            m_window->setGeometry(placed);
    }
    if (settings.value(QLatin1String(MaximizedKey), false).toBool())
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    bool known = false;
    const int splitterTop = settings.value(QLatin1String(SplitterKey)).toInt(&known);
    if (known)
        m_pane->dropSplitterAt(splitterTop); // clamped to the restored window's height
}

void WindowPlacement::save() const
{
    // Maximised or hidden in the tray, the window comes back at its normal place.
    const bool normal =
        !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    QRect geometry = normal ? m_window->geometry() : m_window->normalGeometry();
    if (geometry.isEmpty())
        geometry = m_window->geometry();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(Group));
    settings.setValue(QLatin1String(SizeKey), geometry.size());
    settings.setValue(QLatin1String(PositionKey), geometry.topLeft());
    settings.setValue(QLatin1String(MaximizedKey), bool(m_window->windowState() & Qt::WindowMaximized));
    settings.setValue(QLatin1String(SplitterKey), m_pane->splitterTop());
}
