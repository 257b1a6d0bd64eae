#include "app/commands/AnalysisCommands.h"

#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "analysis/Analyzer.h"
#include "app/parts/MainMenus.h"
#include "app/parts/OptionFrames.h"
#include "app/printing/AnalysisPrinter.h"
#include "app/widgets/ListView.h"
#include "lists/AnalysisListModel.h"
#include "platform/Prompt.h"

AnalysisCommands::AnalysisCommands(MainMenus &menus, Analyzer &analyzer, AnalysisListModel &analysisList,
                                   Prompt &prompt, OptionFrames *frames, ListView *analysisView,
                                   PrinterChooser choosePrinter, QWidget *window)
    : QObject(window),
      m_analyzer(analyzer),
      m_analysisList(analysisList),
      m_prompt(prompt),
      m_choosePrinter(std::move(choosePrinter)),
      m_window(window)
{
    menus.setHandler(QStringLiteral("JSmenu3"), [this] { m_analyzer.AnalyzeSelected(); });
    menus.setHandler(QStringLiteral("JSmenu4"), [this] { m_analyzer.AnalyzeAll(); });
    menus.setHandler(QStringLiteral("JSmenu5"), [this] { clearAnalysisList(); });
    menus.setHandler(QStringLiteral("JSmenu2"), [this] { printAnalysisList(); });
    menus.bindButton(frames->button(QStringLiteral("Command4")), QStringLiteral("JSmenu3"));
    menus.bindButton(frames->button(QStringLiteral("Command3")), QStringLiteral("JSmenu4"));
    QMenu *popup = menus.menu(QStringLiteral("JSmenu"));
    connect(analysisView, &ListView::popupRequested, popup, [popup](const QPoint &at) { popup->popup(at); });
}

void AnalysisCommands::clearAnalysisList()
{
    const PromptAnswer answer =
        m_prompt.ask({QLatin1String(Prompt::NoticeTitle), QLatin1String(Analyzer::ClearQuestionText),
                      PromptButtons::OkCancel, PromptAnswer::Cancel, PromptIcon::Information});
    if (answer == PromptAnswer::Ok)
        m_analyzer.ClearAnalysisList();
}

void AnalysisCommands::printAnalysisList()
{
    if (m_analysisList.count() == 0) {
        m_prompt.notice(QLatin1String(NoRecordToPrintText));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QLatin1String(AnalysisPrinter::Title));
    if (!choosePrinter(printer))
        return;
    if (const Result<> printed = AnalysisPrinter(m_analysisList).print(printer); !printed)
        m_prompt.error(printed.error());
}

bool AnalysisCommands::choosePrinter(QPrinter &printer)
{
    if (m_choosePrinter)
        return m_choosePrinter(printer);
    QPrintDialog dialog(&printer, m_window);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    return dialog.exec() == QDialog::Accepted;
}
