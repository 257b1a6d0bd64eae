#pragma once

#include <QByteArray>
#include <QStringList>

// One record of a scan result file: six fields, each in double quotes, joined
// by commas, ended by CR LF. Nothing inside a field is escaped.
namespace ScanResultLine {

QByteArray format(const QStringList &fields);

} // namespace ScanResultLine
