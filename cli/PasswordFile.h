#pragma once

#include <QString>

#include "platform/Result.h"

// A password kept in a file of its own, so that it shows in no process
// list: the first line of the file, without its line end. A file that
// cannot be read, is not a plain file, is larger than MaxBytes or has an
// empty first line is refused in words that name it.
struct PasswordFile
{
    static constexpr qint64 MaxBytes = 4096;

    QString password;
    bool readableByOthers = false; // group or others may read it: worth a warning

    static Result<PasswordFile> read(const QString &path);
};
