#pragma once

#include <QByteArrayView>
#include <QString>

// Text of the vendor data files. Files written by this system are UTF-8; files
// written on Windows use its single-byte code page. Bytes that are valid UTF-8
// are read as UTF-8, anything else as Windows-1252, so one stray byte costs
// only its own record. Thread-safe.
QString decodeLegacyText(QByteArrayView bytes);
