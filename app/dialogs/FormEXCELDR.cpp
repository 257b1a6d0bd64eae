#include "app/dialogs/FormEXCELDR.h"

#include "app/widgets/Twips.h"
#include "lists/ListModel.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"
#include "records/RecordCommands.h"
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

// The hourglass for the life of the guard, on every way out.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// The preview's first column alone: what an unread or refused sheet shows.
std::unique_ptr<ListModel> emptyPreview()
{
    return std::make_unique<ListModel>(QStringList{QLatin1String(FormEXCELDR::LineNumberHeader)}, true);
}

// "Line Number" and the next three columns have the design's widths.
const int ColumnTwips[] = {1000, 450, 1350, 1600};

} // namespace

FormEXCELDR::FormEXCELDR(RecordCommands &commands, FileDialog &fileDialog, QWidget *parent)
    : QDialog(parent),
      m_commands(commands),
      m_fileDialog(fileDialog),
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
    m_file->setText(path);
    m_sheets->blockSignals(true);
    m_sheets->clear();
    m_sheets->blockSignals(false);
    setPreview(emptyPreview());
    m_workbook.reset();
    Result<std::unique_ptr<WorkbookReader>> opened = [&path] {
        WaitCursor wait;
        return WorkbookReader::open(path);
    }();
    if (!opened) {
        m_commands.prompt().error(opened.error());
        return;
    }
    m_workbook = std::move(*opened);
    // Adding the first name selects it, which loads its preview.
    m_sheets->addItems(m_workbook->sheetNames());
}

void FormEXCELDR::loadSheet(int index)
{
    if (!m_workbook || index < 0 || m_sheets->itemText(index).trimmed().isEmpty())
        return;
    std::optional<RecordSheet> sheet;
    {
        WaitCursor wait;
        setPreview(emptyPreview());
        const Result<SheetGrid> grid = m_workbook->readSheet(index);
        if (!grid) {
            m_commands.prompt().error(grid.error());
            return;
        }
        sheet = RecordSheet::fromGrid(*grid);
        if (sheet) {
            auto model = std::make_unique<ListModel>(
                QStringList{QLatin1String(LineNumberHeader)} + sheet->columnNames(), true);
            for (int r = 0; r < sheet->rowCount(); ++r) {
                ListRow row;
                row.cells = QStringList{QString::number(r + 1)} + sheet->row(r);
                model->appendRow(std::move(row));
            }
            setPreview(std::move(model));
        }
    }
    // Outside the hourglass, which the refusal would otherwise keep.
    if (!sheet)
        m_commands.prompt().error(QLatin1String(RecordSheet::FormatRefusedText));
}

SheetImport::Outcome FormEXCELDR::importTicked()
{
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
        return {};
    }
    setEnabled(false);
    m_progress->setValue(0);
    SheetImport run(m_commands.store(), m_commands.prompt());
    connect(&run, &SheetImport::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&run, &SheetImport::statusChanged, m_status, &QLabel::setText);
    const SheetImport::Outcome outcome =
        run.run(rows, lineNumbers, m_choice.matchBy(), m_choice.onDuplicate<SheetImport::OnDuplicate>());
    setEnabled(true);
    m_commands.addLIST();
    return outcome;
}
