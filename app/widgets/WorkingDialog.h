#pragma once

#include <QDialog>

#include <memory>

#include "app/widgets/BusyCursor.h"

// A dialog whose work runs off the window's thread. While it runs the
// hourglass shows, the dialog's controls are disabled and the dialog refuses
// to close (QDialog's close goes through reject()), so that what it started is
// neither lost nor started twice.
class WorkingDialog : public QDialog
{
public:
    using QDialog::QDialog;

    bool isRunning() const { return m_busy != nullptr; }
    void reject() override;

protected:
    void setRunning(bool on);
    // The controls rather than the dialog itself: a disabled dialog would
    // disable the questions asked over it as well.
    void setControlsEnabled(bool on);

private:
    std::unique_ptr<BusyCursor> m_busy;
};
