#pragma once

#include <QCursor>
#include <QGuiApplication>

// The hourglass over the whole program for as long as it lives: every way out
// of a command, an early return included, gives the pointer back.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
