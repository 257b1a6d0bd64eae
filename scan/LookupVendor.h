#pragma once

#include <QString>

// The vendor name recorded for key (the first eight characters of a MAC text,
// "00-0A-E4") in the vendor data file at path, or empty text when the key is
// not there or the file is missing, unreadable or empty. Never shows a message.
//
// Keys match case-sensitively and only at the start of a record. The file is
// indexed once and the index kept per path; it is read again when the file's
// size or modification time changes. Safe to call from any thread.
QString LookupVendor(const QString &path, const QString &key);
