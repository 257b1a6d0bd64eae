#pragma once

#include "tools/ShutdownOptions.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The option controls both shutdown dialogs share: the "Options" frame with
// chkKillApps and chkReboot, txtMessage (127 characters at most, several
// lines) and txtDelay, children of the given dialog with their labels.
struct ShutdownOptionControls
{
    ShutdownOptionControls(QWidget *dialog, int delayLength);

    void show(const ShutdownOptions &options);
    // The controls' values; the delay as typed.
    ShutdownOptions values() const;

    QGroupBox *frame;
    QCheckBox *killApps;
    QCheckBox *reboot;
    QPlainTextEdit *message;
    QLineEdit *delay;
};
