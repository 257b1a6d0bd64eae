#include "app/dialogs/FormDR.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "lists/ScanListModel.h"
#include "platform/WorkRunner.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"
#include "records/ScanRowImport.h"

FormDR::FormDR(ScanListModel &scanList, RecordCommands &commands, WorkRunner &work, QWidget *parent)
    : WorkingDialog(parent),
      m_scanList(scanList),
      m_commands(commands),
      m_work(work),
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

void FormDR::add()
{
    if (isRunning())
        return;
    setRunning(true);
    m_progress->setValue(0);

    // The run is the window's, not the dialog's: its closing message and
    // the record list's reload outlive a dialog closed with the window.
    QObject *window = parentWidget() ? static_cast<QObject *>(parentWidget()) : this;
    const QPointer<QObject> windowGuard(window);
    const QPointer<FormDR> self(this);
    QList<ScanRow> rows;
    rows.reserve(m_scanList.count());
    for (int row = 0; row < m_scanList.count(); ++row)
        rows.append(m_scanList.scanRow(row));
    ScanRowImport::Options options;
    options.matchBy = m_choice.matchBy();
    options.onDuplicate = m_choice.onDuplicate<ScanRowImport::OnDuplicate>();
    m_work.run(
        window,
        [store = m_commands.store(), prompt = &m_commands.prompt(), rows = std::move(rows),
         ticked = m_scanList.checkedRows(), options, windowGuard, self, progress = m_progress,
         status = m_status] {
            HandedBackPrompt handedBack(*prompt, windowGuard);
            ScanRowImport rowImport(store, handedBack);
            int shown = -1; // each percent once, not once a row
            rowImport.setProgressHandler([&shown, self, progress](int percent) {
                if (percent != std::exchange(shown, percent))
                    WorkRunner::handBack(self, [progress, percent] { progress->setValue(percent); });
            });
            rowImport.setStatusHandler([self, status](const QString &text) {
                WorkRunner::handBack(self, [status, text] { status->setText(text); });
            });
            // A store failure has been shown by the import; the list is
            // loaded again either way, since it may have changed under
            // another writer.
            (void)rowImport.run(rows, ticked, options);
        },
        [self, commands = &m_commands] {
            if (self)
                self->finished();
            commands->addLIST();
        });
}

void FormDR::finished()
{
    setRunning(false);
}
