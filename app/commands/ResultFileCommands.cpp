#include "app/commands/ResultFileCommands.h"

#include <QWidget>

#include "app/parts/MainMenus.h"
#include "app/widgets/BusyCursor.h"
#include "export/ScanResultFile.h"
#include "export/ScanResultReader.h"
#include "lists/ScanListModel.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"

ResultFileCommands::ResultFileCommands(MainMenus &menus, ScanListModel &scanList, Prompt &prompt,
                                       FileDialog &fileDialog, const QString &dataFolder, QWidget *window)
    : QObject(window),
      m_scanList(scanList),
      m_prompt(prompt),
      m_fileDialog(fileDialog),
      m_dataFolder(dataFolder)
{
    menus.setHandler(QStringLiteral("SMmenu3"), [this] { save(); });
    menus.setHandler(QStringLiteral("SMmenu1"), [this] { open(); });
}

void ResultFileCommands::save()
{
    if (m_scanList.count() == 0) {
        m_prompt.notice(QLatin1String(NoRecordText));
        return;
    }
    Result<> saved;
    {
        const BusyCursor busy;
        const QString path = m_fileDialog.choose(
            {FileDialogMode::Save, QLatin1String(SaveTitle), QLatin1String(Filter), m_dataFolder});
        if (path.isEmpty())
            return;
        QList<ScanRow> rows;
        rows.reserve(m_scanList.count());
        for (int row = 0; row < m_scanList.count(); ++row)
            rows.append(m_scanList.scanRow(row));
        saved = ScanResultFile::save(path, rows);
    }
    // The message comes with the normal pointer back.
    if (!saved)
        m_prompt.error(saved.error());
}

void ResultFileCommands::open()
{
    const PromptAnswer answer =
        m_prompt.ask({QLatin1String(Prompt::NoticeTitle), QLatin1String(ClearQuestionText),
                      PromptButtons::YesNoCancel, PromptAnswer::Yes, PromptIcon::Question});
    if (answer == PromptAnswer::Cancel)
        return;
    const QString path = m_fileDialog.choose(
        {FileDialogMode::Open, QLatin1String(OpenTitle), QLatin1String(Filter), m_dataFolder});
    if (path.isEmpty())
        return;
    QString error;
    {
        const BusyCursor busy;
        // A file that cannot be read whole still gives the rows before the fault.
        const ScanResultReader::ReadOutcome read = ScanResultReader::readFile(path);
        // Cleared only now: a cancelled dialog or a file that gave nothing
        // must not cost the rows on screen.
        if (answer == PromptAnswer::Yes && (!read.rows.isEmpty() || read.error.isEmpty()))
            m_scanList.clear();
        for (qsizetype first = 0; first < read.rows.size(); first += RowsPerInsertion)
            m_scanList.appendScanRows(read.rows.mid(first, RowsPerInsertion));
        error = read.error;
    }
    if (!error.isEmpty())
        m_prompt.error(error);
}
