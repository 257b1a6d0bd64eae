#pragma once

#include <QObject>

#include <functional>

class AnalysisListModel;
class Analyzer;
class ListView;
class MainMenus;
class OptionFrames;
class Prompt;
class QPrinter;

// The Analyze menu: "Analyze", "Analyze All" (also the buttons Command4 and
// Command3), "Clear analysis list" after the user confirms, and "Print" of
// the analysis list; the list's pop-up menu is the Analyze menu itself.
class AnalysisCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *NoRecordToPrintText = "No record to print!";

    // Sets up the printer for "Print"; false when the user cancelled.
    using PrinterChooser = std::function<bool(QPrinter &)>;

    // choosePrinter empty: a print dialog over the window (it offers printing
    // to a PDF file, so no printer is needed).
    AnalysisCommands(MainMenus &menus, Analyzer &analyzer, AnalysisListModel &analysisList, Prompt &prompt,
                     OptionFrames *frames, ListView *analysisView, PrinterChooser choosePrinter,
                     QWidget *window);

private:
    void clearAnalysisList();
    void printAnalysisList();
    bool choosePrinter(QPrinter &printer);

    Analyzer &m_analyzer;
    AnalysisListModel &m_analysisList;
    Prompt &m_prompt;
    PrinterChooser m_choosePrinter;
    QWidget *m_window;
};
