#pragma once

#include <QString>

#include <functional>

#include "tools/ArpBinding.h"

class ListModel;
class Prompt;

// "Generate IP-MAC binding BAT file": writes the list's batch file in the
// data folder and asks whether to run it now; on Yes applies the same
// bindings to this machine's neighbour table (the batch file's own "arp -s"
// is for Windows) and shows what succeeded and what failed. The prompt must
// outlive the report.
class ArpBindingCommand
{
public:
    // Applies the bindings and hands the report's text and whether all went
    // in to `report`, then or later (NeighbourBinder over a program runner,
    // in the front ends; the window's runs off its thread).
    struct Applied
    {
        QString report;
        bool complete = false;
    };
    using Apply =
        std::function<void(const QList<ArpBinding> &bindings, std::function<void(const Applied &)> report)>;

    static constexpr const char *NothingSelectedText = "No items were selected.";
    static constexpr const char *RunItNowText = "Successfully generated, run it now? ";

    ArpBindingCommand(const QString &dataFolder, Prompt &prompt, Apply apply);

    // Silent for an empty list; "No items were selected." when no ticked row
    // qualifies (the old file is then left alone). Ticked rows whose address
    // fails ArpBindingCheck are left out of the file and counted on a line
    // after the message or the question. Returns the path written, empty when
    // nothing was.
    QString generate(const ListModel &list, const QString &fileName) const;

private:
    QString m_dataFolder;
    Prompt &m_prompt;
    Apply m_apply;
};
