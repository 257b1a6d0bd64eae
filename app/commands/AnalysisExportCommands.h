#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "platform/Result.h"

class AnalysisListModel;
class DesktopServices;
class FileDialog;
class MainMenus;
class Prompt;
class QWidget;

// Analyze > Save as...: "Text File(*.TXT)" and "Html File(*.html)" write the
// analysis list (an empty one too: headers only, or a table without rows),
// then hand the written file to the program the desktop associates with it.
class AnalysisExportCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *DialogTitle = "Save result as ...";
    static constexpr const char *TextFilter = "Save as text file (*.TXT)|*.TXT";
    static constexpr const char *HtmlFilter = "Save as html file (*.html)|*.html";

    AnalysisExportCommands(MainMenus &menus, const AnalysisListModel &analysisList, Prompt &prompt,
                           FileDialog &fileDialog, DesktopServices &desktop, const QString &dataFolder,
                           QWidget *window);

private:
    // Writes the list to the path the user chooses with the given filter
    // (nothing when cancelled); a failure is a message.
    void saveAs(const char *filter, const std::function<Result<>(const QString &path)> &write);

    const AnalysisListModel &m_analysisList;
    Prompt &m_prompt;
    FileDialog &m_fileDialog;
    DesktopServices &m_desktop;
    QString m_dataFolder;
};
