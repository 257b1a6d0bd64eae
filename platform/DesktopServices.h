#pragma once

#include <QString>
#include <QUrl>

// The desktop's own handlers: a URL in the user's browser (or mail, FTP ...
// program), a file in the program associated with its type. The window
// implements this over the desktop (xdg-open); tests use ScriptedDesktopServices
// from tests/support.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // False when the desktop has no program for it (nothing was opened).
    virtual bool openUrl(const QUrl &url) = 0;
    bool openFile(const QString &path) { return openUrl(QUrl::fromLocalFile(path)); }
};
