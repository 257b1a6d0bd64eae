#include "app/commands/SpreadsheetCommands.h"

#include "app/dialogs/FormEXCELDR.h"
#include "app/parts/MainMenus.h"
#include "platform/DesktopServices.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"
#include "records/RecordCommands.h"
#include "sheets/RecordTableDump.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/ScanListWorkbook.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

SpreadsheetCommands::SpreadsheetCommands(MainMenus &menus, ScanListModel &scanList, RecordCommands &commands,
                                         FileDialog &fileDialog, DesktopServices &desktop, WorkRunner &work,
                                         QWidget *window)
    : QObject(window),
      m_scanList(scanList),
      m_commands(commands),
      m_fileDialog(fileDialog),
      m_desktop(desktop),
      m_work(work),
      m_window(window)
{
    menus.setHandler(QStringLiteral("SMmenu7"), [this] { exportScanList(); });
    menus.setHandler(QStringLiteral("BAmenu6"), [this] { exportRecords(); });
    menus.setHandler(QStringLiteral("BAmenu7"), [this] { importRecords(); });
}

QString SpreadsheetCommands::chooseWorkbook()
{
    FileDialogRequest request;
    request.mode = FileDialogMode::Save;
    request.title = QLatin1String(SaveTitle);
    request.filter = QLatin1String(SaveFilter);
    request.startFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    request.defaultExtension = QStringLiteral("xlsx");
    return m_fileDialog.choose(request);
}

void SpreadsheetCommands::open(const QString &path)
{
    if (!m_desktop.openFile(path))
        m_commands.prompt().notice(
            QStringLiteral("The workbook %1 was written, but no program is set up to open it.")
                .arg(QDir::toNativeSeparators(path)));
}

void SpreadsheetCommands::exportScanList()
{
    const QString path = chooseWorkbook();
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<> written = ScanListWorkbook::write(m_scanList, path);
    QApplication::restoreOverrideCursor();
    if (!written) {
        m_commands.prompt().error(written.error());
        return;
    }
    open(path);
}

void SpreadsheetCommands::exportRecords()
{
    const Result<RecordTableDump> table = RecordTableDump::read(m_commands.store());
    if (!table) {
        m_commands.prompt().error(table.error());
        return;
    }
    if (table->rows.isEmpty()) {
        m_commands.prompt().ask({QLatin1String(RecordWorkbook::NoRecordTitle),
                                 QLatin1String(RecordWorkbook::NoRecordText), PromptButtons::Ok,
                                 PromptAnswer::Ok, PromptIcon::None});
        return;
    }
    const QString path = chooseWorkbook();
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<> written = RecordWorkbook::write(*table, path);
    QApplication::restoreOverrideCursor();
    if (!written) {
        m_commands.prompt().error(written.error());
        return;
    }
    open(path);
}

void SpreadsheetCommands::importRecords()
{
    auto *form = new FormEXCELDR(m_commands, m_fileDialog, m_work, m_window);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->open();
}
