#pragma once

#include <QString>

// How a cell's value reads as text, the same for every workbook format: a
// number as the shortest text that gives it back to 15 significant digits, an
// integral one without a decimal point (7, not 7.0); a date as yyyy-MM-dd, a
// time as hh:mm:ss, both as yyyy-MM-dd hh:mm:ss (as FreeXL gives them).
namespace CellText {

enum class DateKind { Date, Time, DateTime };

QString number(double value);
// A serial day number of the workbook's date system: days since 1899-12-30
// (1900 system, which counts the 29th of February 1900 that never was) or
// since 1904-01-01.
QString serialDate(double serial, DateKind kind, bool date1904 = false);

} // namespace CellText
