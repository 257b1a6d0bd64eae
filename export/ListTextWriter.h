#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Result.h"

class ListModel;

// A list as tab-separated text, UTF-8 with CR LF line ends. Column 0 (the
// row's icon) is never written. With headers: the headers of columns 1 to
// N-2 each followed by two tabs, then two tabs and the last header, then an
// empty line. Each row: every cell from column 1 on followed by one tab.
namespace ListTextWriter {

QByteArray format(const ListModel &list, bool withHeaders);
// Replaces the file only once the new one is written whole.
Result<> write(const ListModel &list, const QString &path, bool withHeaders);

} // namespace ListTextWriter
