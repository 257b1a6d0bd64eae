#include "export/ScanResultLine.h"

namespace ScanResultLine {

QByteArray format(const QStringList &fields)
{
    QByteArray line;
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            line += ',';
        QByteArray field = fields.value(i).toUtf8();
        field.replace('"', "\"\"");
        line += '"' + field + '"';
    }
    line += "\r\n";
    return line;
}

} // namespace ScanResultLine
