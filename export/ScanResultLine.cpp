#include "ScanResultLine.h"

namespace ScanResultLine {

QByteArray format(const QStringList &fields)
{
    QByteArray line;
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            line += ',';
        line += '"' + fields.value(i).toUtf8() + '"';
    }
    line += "\r\n";
    return line;
}

} // namespace ScanResultLine
