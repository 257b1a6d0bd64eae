#pragma once

#include <QList>
#include <QString>

#include "lists/ScanRow.h"

class QIODevice;

// Reads a scan result file back into scan rows, by the rules of the writer's
// delimited-text reader: blanks and tabs before a field are skipped; a quoted
// field ends at the next double quote that is not doubled (a doubled one
// stands for one quote in the text) and whatever follows it up to the next
// comma or line end is dropped; an unquoted field ends at a comma or line end
// and loses its trailing blanks; a line end (CR LF, CR or LF) ends a field as
// a comma does. Six fields make a row, wherever the line ends fall. Nothing
// is validated. A row whose number is empty gets the silent-host icon.
// The bytes are UTF-8, or Windows-1252 when they are not valid UTF-8. Reading
// takes time in proportion to the size of the file; a file larger than
// MaxFileBytes, or of more than MaxRows rows, is refused whole. Lines of
// nothing but blanks between records are passed over.
class ScanResultReader
{
public:
    // What a read gives: the rows read and, when the file could not be read
    // to its end, why. This is not the engine's Result<T> (platform/Result.h),
    // which holds either a value or an error: a read that fails part way
    // keeps the rows before the fault, so that a caller can still offer what
    // a truncated or damaged file holds next to the message. Callers that
    // need the whole file (the command line does) check ok() first.
    struct [[nodiscard]] ReadOutcome
    {
        QList<ScanRow> rows; // every complete record read, also when error is set
        QString error;       // empty when the whole file was read

        bool ok() const { return error.isEmpty(); }
    };

    static constexpr qint64 MaxFileBytes = qint64(256) * 1024 * 1024;
    // A scan covers at most 65,536 hosts; a list may hold a few scans
    // appended to each other before it is saved.
    static constexpr qsizetype MaxRows = 4 * 65536;

    // Reads the device to its end. A device that cannot be read, or whose
    // data end in the middle of a record, sets error and keeps the rows
    // before it. More than maxBytes of data sets error and gives no rows.
    static ReadOutcome read(QIODevice &device, qint64 maxBytes = MaxFileBytes);
    // Opens, reads and closes the file.
    static ReadOutcome readFile(const QString &path);
};
