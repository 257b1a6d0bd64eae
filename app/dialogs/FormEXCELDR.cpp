#include "app/dialogs/FormEXCELDR.h"

#include "app/widgets/Twips.h"
#include "lists/ListModel.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"
#include "platform/WorkRunner.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"
#include "sheets/RecordSheet.h"
#include "sheets/WorkbookReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// What the worker found in a workbook or a sheet; copied back to the window.
struct OpenedWorkbook
{
    std::shared_ptr<WorkbookReader> reader; // empty: error says why
    QString error;
};

struct SheetPreview
{
    bool ok = false; // otherwise error says why
    QString error;
    QStringList headers;
    QList<ListRow> rows;
};

// The preview's first column alone: what an unread or refused sheet shows.
std::unique_ptr<ListModel> emptyPreview()
{
    return std::make_unique<ListModel>(QStringList{QLatin1String(FormEXCELDR::LineNumberHeader)}, true);
}

// "Line Number" and the next three columns have the design's widths.
const int ColumnTwips[] = {1000, 450, 1350, 1600};

} // namespace

FormEXCELDR::FormEXCELDR(RecordCommands &commands, FileDialog &fileDialog, WorkRunner &work, QWidget *parent)
    : WorkingDialog(parent),
      m_commands(commands),
      m_fileDialog(fileDialog),
      m_work(work),
      m_optionsFrame(new QGroupBox(QStringLiteral("Import Options"), this)),
      m_choice(QStringLiteral("Check3"), this, m_optionsFrame)
{
    setObjectName(QStringLiteral("FormEXCELDR"));
    setWindowTitle(QStringLiteral("Import from Excel file"));
    setModal(true);

    auto *fileLabel = new QLabel(QStringLiteral(" Excel file (*.xls)"), this);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("txtExcelFile"));
    m_file->setReadOnly(true);
    auto *browseButton = new QPushButton(QStringLiteral("..."), this);
    browseButton->setObjectName(QStringLiteral("cmdBrowseExcel"));
    auto *sheetLabel = new QLabel(QStringLiteral("Select sheet"), this);
    m_sheets = new QComboBox(this);
    m_sheets->setObjectName(QStringLiteral("cmbSheets"));

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("ListView1"));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setShowGrid(true);
    m_view->verticalHeader()->hide();
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->horizontalHeader()->setSectionsClickable(true);

    m_selectAll = new QCheckBox(QStringLiteral("Select all"), this);
    m_selectAll->setObjectName(QStringLiteral("Check1"));
    m_invert = new QCheckBox(QStringLiteral("Invert"), this);
    m_invert->setObjectName(QStringLiteral("Check2"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_status = new QLabel(QStringLiteral("Status"), this);
    m_status->setObjectName(QStringLiteral("Label1"));
    auto *hint =
        new QLabel(QStringLiteral("Notice: Imported file must matched the reqired format.  Please check it "
                                  "with the Exported Excel Sheet format!"),
                   this);
    hint->setObjectName(QStringLiteral("Label4"));
    hint->setWordWrap(true);
    auto *importButton = new QPushButton(QStringLiteral("Import"), this);
    importButton->setObjectName(QStringLiteral("CmdADD"));
    auto *closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("Cmdclose"));

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browseButton);
    fileRow->addWidget(sheetLabel);
    fileRow->addWidget(m_sheets, 1);
    auto *ticks = new QHBoxLayout;
    ticks->addWidget(m_selectAll);
    ticks->addWidget(m_invert);
    ticks->addStretch(1);
    ticks->addWidget(m_choice.matchIp());
    ticks->addWidget(m_choice.matchMac());
    auto *bottom = new QGridLayout;
    bottom->addWidget(m_optionsFrame, 0, 0, 3, 1);
    bottom->addWidget(m_progress, 0, 1, 1, 2);
    bottom->addWidget(m_status, 1, 1, 1, 2);
    bottom->addWidget(importButton, 2, 1);
    bottom->addWidget(closeButton, 2, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(m_view, 1);
    layout->addLayout(ticks);
    layout->addLayout(bottom);
    layout->addWidget(hint);
    resize(760, 520);

    setPreview(emptyPreview());

    connect(browseButton, &QPushButton::clicked, this, &FormEXCELDR::browse);
    connect(m_sheets, &QComboBox::currentIndexChanged, this, &FormEXCELDR::loadSheet);
    connect(m_selectAll, &QCheckBox::clicked, this, [this](bool on) { m_preview->setAllChecked(on); });
    connect(m_invert, &QCheckBox::clicked, this, [this] { m_preview->invertChecked(); });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_preview->sortByColumn(column, column == 0 ? SortKind::Number : SortKind::Text,
                                m_preview->flippedSortOrder());
    });
    connect(importButton, &QPushButton::clicked, this, [this] { importTicked(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

FormEXCELDR::~FormEXCELDR()
{
    // The view lets go of the model before the model goes.
    m_view->setModel(nullptr);
}

void FormEXCELDR::setPreview(std::unique_ptr<ListModel> model)
{
    // Filled before the view sees it: ten thousand rows cost one reset of
    // the view, not one update each.
    m_view->setModel(model.get());
    m_preview = std::move(model);
    for (int c = 0; c < int(std::size(ColumnTwips)) && c < m_preview->columnCount(); ++c)
        m_view->setColumnWidth(c, Twips::toPixels(ColumnTwips[c]));
}

void FormEXCELDR::browse()
{
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.title = QLatin1String(BrowseTitle);
    request.filter = QLatin1String(BrowseFilter);
    request.defaultExtension = QStringLiteral("xls");
    const QString path = m_fileDialog.choose(request);
    if (path.isEmpty())
        return;
    openWorkbook(path);
}

void FormEXCELDR::openWorkbook(const QString &path)
{
    if (isRunning())
        return;
    m_file->setText(path);
    m_sheets->blockSignals(true);
    m_sheets->clear();
    m_sheets->blockSignals(false);
    setPreview(emptyPreview());
    m_workbook.reset();
    setRunning(true);
    m_work.run(
        this,
        [path] {
            OpenedWorkbook opened;
            Result<std::unique_ptr<WorkbookReader>> reader = WorkbookReader::open(path);
            if (reader)
                opened.reader = std::move(*reader);
            else
                opened.error = reader.error();
            return opened;
        },
        [this](const OpenedWorkbook &opened) {
            // Before the message, which the hourglass would otherwise keep.
            setRunning(false);
            if (!opened.reader) {
                m_commands.prompt().error(opened.error);
                return;
            }
            m_workbook = opened.reader;
            // Adding the first name selects it, which loads its preview.
            m_sheets->addItems(m_workbook->sheetNames());
        });
}

void FormEXCELDR::loadSheet(int index)
{
    if (!m_workbook || isRunning() || index < 0 || m_sheets->itemText(index).trimmed().isEmpty())
        return;
    setPreview(emptyPreview());
    setRunning(true);
    m_progress->setValue(0);
    const QPointer<FormEXCELDR> self(this);
    m_work.run(
        this,
        [workbook = m_workbook, index, self, progress = m_progress] {
            SheetPreview preview;
            const Result<SheetGrid> grid = workbook->readSheet(index);
            if (!grid) {
                preview.error = grid.error();
                return preview;
            }
            const std::optional<RecordSheet> sheet = RecordSheet::fromGrid(*grid);
            if (!sheet) {
                preview.error = QLatin1String(RecordSheet::FormatRefusedText);
                return preview;
            }
            preview.ok = true;
            preview.headers = QStringList{QLatin1String(LineNumberHeader)} + sheet->columnNames();
            preview.rows.reserve(sheet->rowCount());
            int shown = -1; // each percent once, not once a row
            for (int r = 0; r < sheet->rowCount(); ++r) {
                ListRow row;
                row.cells = QStringList{QString::number(r + 1)} + sheet->row(r);
                preview.rows.append(std::move(row));
                const int percent = int(qint64(r + 1) * 100 / sheet->rowCount());
                if (percent != std::exchange(shown, percent))
                    WorkRunner::handBack(self, [progress, percent] { progress->setValue(percent); });
            }
            return preview;
        },
        [this](const SheetPreview &preview) {
            setRunning(false);
            if (!preview.ok) {
                m_commands.prompt().error(preview.error);
                return;
            }
            auto model = std::make_unique<ListModel>(preview.headers, true);
            model->appendRows(preview.rows);
            setPreview(std::move(model));
        });
}

void FormEXCELDR::importTicked(ImportDone done)
{
    if (isRunning())
        return;
    QList<PresetRecord> rows;
    QList<int> lineNumbers;
    for (int r = 0; r < m_preview->count(); ++r) {
        if (m_preview->isChecked(r)) {
            rows.append(PresetRecord::fromFields(m_preview->row(r).cells.mid(2)));
            lineNumbers.append(m_preview->text(r, 0).toInt());
        }
    }
    // A run over no rows would close with "Successfully added", which reads
    // as if something had been imported.
    if (rows.isEmpty()) {
        m_commands.prompt().notice(QLatin1String(SheetImport::NothingTickedText));
        if (done)
            done({});
        return;
    }
    setRunning(true);
    m_progress->setValue(0);

    // The run is the window's, not the dialog's: its closing message and
    // the record list's reload outlive a dialog closed with the window.
    QObject *window = parentWidget() ? static_cast<QObject *>(parentWidget()) : this;
    const QPointer<QObject> windowGuard(window);
    const QPointer<FormEXCELDR> self(this);
    m_work.run(
        window,
        [store = m_commands.store(), prompt = &m_commands.prompt(), rows = std::move(rows),
         lineNumbers = std::move(lineNumbers), matchBy = m_choice.matchBy(),
         onDuplicate = m_choice.onDuplicate<SheetImport::OnDuplicate>(), windowGuard, self,
         progress = m_progress, status = m_status]() mutable {
            HandedBackPrompt handedBack(*prompt, windowGuard);
            SheetImport run(store, handedBack);
            QObject::connect(&run, &SheetImport::progressChanged, [self, progress](int percent) {
                WorkRunner::handBack(self, [progress, percent] { progress->setValue(percent); });
            });
            QObject::connect(&run, &SheetImport::statusChanged, [self, status](const QString &line) {
                WorkRunner::handBack(self, [status, line] { status->setText(line); });
            });
            return run.run(rows, lineNumbers, matchBy, onDuplicate);
        },
        [self, commands = &m_commands, done = std::move(done)](const SheetImport::Outcome &outcome) {
            if (self)
                self->setRunning(false);
            commands->addLIST();
            if (done)
                done(outcome);
        });
}
