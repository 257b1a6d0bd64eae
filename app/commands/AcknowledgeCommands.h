#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

#include "app/dialogs/AcknowledgeDialog.h"
#include "records/RecordStore.h"

class AnalysisListModel;
class MainMenus;
class Prompt;
class QAction;

// "Acknowledge..." and "Withdraw acknowledgement" at the end of the Analyze
// menu (and so of the analysis list's pop-up): the highlighted finding's IP
// and MAC pair is written to, or removed from, the acknowledgements of the
// record database, and every row of that pair in the analysis list is greyed
// or shown normally again. GUI thread only.
class AcknowledgeCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *NoFindingText = "Highlight a finding in the analysis list first.";
    static constexpr const char *NotAcknowledgedText = "The highlighted finding is not acknowledged.";

    // Asks the note and expiry for a pair; nothing when the user cancelled.
    using Asker =
        std::function<std::optional<AcknowledgeDialog::Answer>(const QString &ip, const QString &mac)>;
    using Clock = std::function<QDateTime()>;

    // ask empty: AcknowledgeDialog over the window. clock empty: the current time.
    // The store must outlive the commands.
    AcknowledgeCommands(MainMenus &menus, AnalysisListModel &analysisList, const RecordStore &store,
                        Prompt &prompt, Asker ask, QWidget *window, Clock clock = {});

    void acknowledgeCurrent();
    void withdrawCurrent();

private:
    AnalysisListModel &m_analysisList;
    const RecordStore &m_store; // the window's, which may move to another database
    Prompt &m_prompt;
    Asker m_ask;
    Clock m_clock;
};
