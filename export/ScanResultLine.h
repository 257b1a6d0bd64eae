#pragma once

#include <QByteArray>
#include <QStringList>

// One record of a scan result file: six fields, each in double quotes, joined
// by commas, ended by CR LF, as UTF-8. A double quote inside a field is
// doubled, so that no field text can end its field early and shift the
// fields after it; a field without quotes is written as the first version of
// the format wrote it.
namespace ScanResultLine {

QByteArray format(const QStringList &fields);

} // namespace ScanResultLine
