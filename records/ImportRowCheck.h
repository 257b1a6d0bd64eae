#pragma once

#include <QList>
#include <QString>

#include "lists/PresetRecord.h"

// The record editor's rules for the rows an import takes in: a row whose IP
// or MAC address the editor would refuse is left out and noted with its row
// number, so that the closing message can say what was left out and why. A
// MAC written with colons or in lower case is stored in the scans' form, or
// the next analysis would not match it to the host's scan row.
class ImportRowCheck
{
public:
    enum class Fault { Empty, InvalidIp, InvalidMac };
    // Whether a row of a silent host ("Non-Responded IP" for its MAC) is
    // kept: the scan-row import stores it as it stands, to reserve the
    // address; a workbook has no such rows.
    enum class SilentHosts { Refused, Kept };

    explicit ImportRowCheck(SilentHosts silentHosts = SilentHosts::Refused) : m_silentHosts(silentHosts) {}

    // Whether the row may be stored; brings its MAC to the scans' form when
    // it may, notes it under rowNumber when not.
    bool admit(PresetRecord *record, int rowNumber);

    int skippedCount() const { return int(m_skipped.size()); }
    // Empty when no row was left out; otherwise one sentence, for example
    // "2 rows were skipped: invalid IP address in row 4; invalid MAC address in row 7."
    QString summary() const;
    // The design's closing text, with the summary on a line of its own after
    // it when rows were left out.
    QString closingText(const char *designText) const;

private:
    struct Skipped
    {
        int rowNumber;
        Fault fault;
    };
    SilentHosts m_silentHosts;
    QList<Skipped> m_skipped;
};
