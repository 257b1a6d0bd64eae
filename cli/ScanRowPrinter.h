#pragma once

#include <QString>
#include <cstdio>
#include <optional>

struct ScanRow;

// Writes scan rows to a stream as they come: an aligned table for people, or
// the lines of a scan result file for programs, or JSON lines (JsonLines).
class ScanRowPrinter
{
public:
    enum class Format { Table, ResultFile, Json };

    // Accepts "table", "kst" and "json"; nothing for anything else.
    static std::optional<Format> parseFormat(const QString &name);

    ScanRowPrinter(Format format, std::FILE *out) : m_format(format), m_out(out) {}

    void printHeader();
    void printRow(const ScanRow &row);

private:
    Format m_format;
    std::FILE *m_out;
};
