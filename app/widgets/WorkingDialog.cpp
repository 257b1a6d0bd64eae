#include "app/widgets/WorkingDialog.h"

void WorkingDialog::reject()
{
    if (!isRunning())
        QDialog::reject();
}

void WorkingDialog::setRunning(bool on)
{
    if (on)
        m_busy = std::make_unique<BusyCursor>();
    else
        m_busy.reset();
    setControlsEnabled(!on);
}

void WorkingDialog::setControlsEnabled(bool on)
{
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        control->setEnabled(on);
}
