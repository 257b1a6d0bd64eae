#include "app/commands/AnalysisExportCommands.h"

#include <QDir>
#include <QWidget>

#include "app/parts/MainMenus.h"
#include "export/ListHtmlWriter.h"
#include "export/ListTextWriter.h"
#include "lists/AnalysisListModel.h"
#include "platform/DesktopServices.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"

AnalysisExportCommands::AnalysisExportCommands(
    MainMenus &menus, const AnalysisListModel &analysisList, Prompt &prompt, FileDialog &fileDialog,
    DesktopServices &desktop, const QString &dataFolder, QWidget *window)
    : QObject(window),
      m_analysisList(analysisList),
      m_prompt(prompt),
      m_fileDialog(fileDialog),
      m_desktop(desktop),
      m_dataFolder(dataFolder)
{
    menus.setHandler(QStringLiteral("JSmenu12"), [this] {
        saveAs(TextFilter,
               [this](const QString &path) { return ListTextWriter::write(m_analysisList, path, true); });
    });
    menus.setHandler(QStringLiteral("JSmenu13"), [this] {
        saveAs(HtmlFilter,
               [this](const QString &path) { return ListHtmlWriter::write(m_analysisList, path, {}); });
    });
}

void AnalysisExportCommands::saveAs(const char *filter, const std::function<Result<>(const QString &)> &write)
{
    const QString path = m_fileDialog.choose(
        {FileDialogMode::Save, QLatin1String(DialogTitle), QLatin1String(filter), m_dataFolder});
    if (path.isEmpty())
        return;
    if (const Result<> written = write(path); !written) {
        m_prompt.error(written.error());
        return;
    }
    if (!m_desktop.openFile(path))
        m_prompt.notice(
            QStringLiteral("No program to open %1 was found.").arg(QDir::toNativeSeparators(path)));
}
