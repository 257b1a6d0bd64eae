#pragma once

#include <QString>

// The program-wide values that several commands share. One object is owned by
// whoever runs the program (the main window or a command-line run) and passed
// to the code that reads or sets them; there are no globals.
struct ProgramState
{
    // Which list the find dialog searches.
    enum : qint16 { FindScanList = 1, FindRecordList = 2 };

    // The ID (as text) of the record the editor modifies; empty: it adds one.
    QString CurrentRecordId;
    qint16 FindTarget = FindRecordList;
};
