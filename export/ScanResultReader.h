#pragma once

#include <QList>
#include <QString>

#include "ScanRow.h"

class QIODevice;

// Reads a scan result file back into scan rows, by the rules of the writer's
// delimited-text reader: blanks and tabs before a field are skipped; a quoted
// field ends at the next double quote and whatever follows it up to the next
// comma or line end is dropped; an unquoted field ends at a comma or line end
// and loses its trailing blanks; a line end (CR LF, CR or LF) ends a field as
// a comma does. Six fields make a row, wherever the line ends fall. Nothing
// is validated. A row whose number is empty gets the silent-host icon.
class ScanResultReader
{
public:
    struct Result
    {
        QList<ScanRow> rows; // every complete record read, also when error is set
        QString error;       // empty when the whole file was read
    };

    // Reads the device to its end. A device that cannot be read, or whose
    // data end in the middle of a record, sets error and keeps the rows
    // before it.
    static Result read(QIODevice &device);
    // Opens, reads and closes the file.
    static Result readFile(const QString &path);
};
