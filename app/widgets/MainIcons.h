#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The window's pictures, drawn at run time (no image files to ship):
// the program icon, the small row icons of the lists, the two tab images
// and the status-bar animation Image1.
namespace MainIcons {

QIcon programIcon();
// Icon indexes 1..4 of the lists: answered host, silent host, record, finding.
QList<QIcon> rowIcons();
QIcon scanTabIcon();
QIcon databaseTabIcon();
// Image1: index 0 is the idle picture.
QList<QPixmap> animationFrames();

} // namespace MainIcons
