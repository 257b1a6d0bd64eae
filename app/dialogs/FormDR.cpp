#include "app/dialogs/FormDR.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "lists/ScanListModel.h"
#include "records/RecordCommands.h"
#include "records/ScanRowImport.h"

namespace {

// Waiting input is let through at most this often during a run: often
// enough for the window to stay responsive, rarely enough not to slow down a
// list of many thousand rows.
constexpr qint64 YieldIntervalMs = 20;

} // namespace

FormDR::FormDR(ScanListModel &scanList, RecordCommands &commands, QWidget *parent)
    : QDialog(parent),
      m_scanList(scanList),
      m_commands(commands),
      m_frame(new QGroupBox(QStringLiteral("Add Options"), this)),
      m_choice(QStringLiteral("Check1"), this, m_frame)
{
    m_frame->setObjectName(QStringLiteral("Frame1"));
    setObjectName(QStringLiteral("FormDR"));
    setWindowTitle(QStringLiteral("Add to database"));
    setModal(true);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_status = new QLabel(QStringLiteral("Status"), this);
    m_status->setObjectName(QStringLiteral("Label1"));
    m_status->setTextFormat(Qt::PlainText);

    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setObjectName(QStringLiteral("CmdADD"));
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("Cmdclose"));
    m_close->setAutoDefault(false);
    connect(m_add, &QPushButton::clicked, this, &FormDR::add);
    connect(m_close, &QPushButton::clicked, this, &FormDR::reject);

    auto *matches = new QHBoxLayout;
    matches->addWidget(m_choice.matchIp());
    matches->addWidget(m_choice.matchMac());
    matches->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(matches);
    layout->addWidget(m_frame);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
}

void FormDR::setControlsEnabled(bool on)
{
    // The controls rather than the dialog itself: a disabled dialog would
    // disable the questions asked over it as well.
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        control->setEnabled(on);
}

void FormDR::reportProgress(int percent)
{
    m_progress->setValue(percent);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastYield >= YieldIntervalMs || percent == 100) {
        m_lastYield = now;
        QCoreApplication::processEvents();
    }
}

void FormDR::add()
{
    if (m_running)
        return;
    m_running = true;
    setControlsEnabled(false);
    m_progress->setValue(0);
    m_lastYield = QDateTime::currentMSecsSinceEpoch();

    ScanRowImport rowImport(m_commands.store(), m_commands.prompt());
    rowImport.setProgressHandler([this](int percent) { reportProgress(percent); });
    rowImport.setStatusHandler([this](const QString &text) { m_status->setText(text); });
    ScanRowImport::Options options;
    options.matchBy = m_choice.matchBy();
    options.onDuplicate = m_choice.onDuplicate<ScanRowImport::OnDuplicate>();
    // A store failure has been shown by the import; the list is loaded
    // again either way, since it may have changed under another writer.
    (void)rowImport.run(m_scanList, options);

    setControlsEnabled(true);
    m_running = false;
    m_commands.addLIST();
}

void FormDR::reject()
{
    if (!m_running)
        QDialog::reject();
}

void FormDR::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
