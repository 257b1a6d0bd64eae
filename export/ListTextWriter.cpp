#include "export/ListTextWriter.h"

#include "export/ExportFile.h"
#include "lists/ListModel.h"

namespace ListTextWriter {

QByteArray format(const ListModel &list, bool withHeaders)
{
    const int columns = list.columnCount();
    QString text;
    if (withHeaders) {
        for (int column = 1; column < columns - 1; ++column)
            text += list.headerData(column, Qt::Horizontal).toString() + QLatin1String("\t\t");
        if (columns > 1)
            text += QLatin1String("\t\t") + list.headerData(columns - 1, Qt::Horizontal).toString();
        text += QLatin1String("\r\n\r\n");
    }
    for (int row = 0; row < list.count(); ++row) {
        for (int column = 1; column < columns; ++column)
            text += list.text(row, column) + QLatin1Char('\t');
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

Result<> write(const ListModel &list, const QString &path, bool withHeaders)
{
    return ExportFile::replace(path, format(list, withHeaders));
}

} // namespace ListTextWriter
