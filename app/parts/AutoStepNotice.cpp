#include "app/parts/AutoStepNotice.h"

#include <QMessageBox>

#include "app/parts/StatusBarPanels.h"

AutoStepNotice::AutoStepNotice(QWidget *window, StatusBarPanels *status)
    : QObject(window), m_window(window), m_status(status)
{
}

void AutoStepNotice::report(const QString &title, const QString &text)
{
    // The program's texts break lines with CR LF; the status bar has one line.
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_status->setStatusText(QLatin1String(StatusLead) + oneLine);

    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (m_box) {
        m_box->setWindowTitle(title);
        m_box->setText(lines);
        return;
    }
    m_box = new QMessageBox(QMessageBox::Warning, title, lines, QMessageBox::Ok, m_window);
    m_box->setObjectName(QLatin1String(BoxName));
    m_box->setTextFormat(Qt::PlainText);
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    m_box->setWindowModality(Qt::NonModal);
    // Closed, the box only waits for its deletion: the next failure opens a new one.
    connect(m_box, &QDialog::finished, this, [this] { m_box = nullptr; });
    m_box->show();
}
