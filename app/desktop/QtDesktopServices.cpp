#include "app/desktop/QtDesktopServices.h"

#include <QDesktopServices>

bool QtDesktopServices::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
