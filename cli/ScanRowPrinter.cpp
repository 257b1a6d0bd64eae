#include "cli/ScanRowPrinter.h"

#include "cli/JsonLines.h"
#include "export/ScanResultLine.h"
#include "lists/ScanRow.h"
#include "platform/TerminalText.h"

namespace {

QString tableLine(const QStringList &cells)
{
    static const int widths[] = {5, 16, 18, 16, 16};
    QString line;
    for (int i = 0; i < cells.size(); ++i) {
        const QString cell = TerminalText::printable(cells.at(i));
        line += i < 5 ? cell.leftJustified(widths[i]) + QLatin1Char(' ') : cell;
    }
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

} // namespace

std::optional<ScanRowPrinter::Format> ScanRowPrinter::parseFormat(const QString &name)
{
    if (name == QLatin1String("table"))
        return Format::Table;
    if (name == QLatin1String("kst"))
        return Format::ResultFile;
    if (name == QLatin1String("json"))
        return Format::Json;
    return std::nullopt;
}

void ScanRowPrinter::printHeader()
{
    if (m_format != Format::Table)
        return;
    const QString header =
        tableLine({QStringLiteral("No."), QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                   QStringLiteral("Host Name"), QStringLiteral("Workgroup"), QStringLiteral("NIC Vendor")});
    std::fputs(header.toUtf8().constData(), m_out);
}

void ScanRowPrinter::printRow(const ScanRow &row)
{
    if (m_format == Format::Json) {
        JsonLines::write(m_out, JsonLines::scanRow(row, QDateTime::currentDateTimeUtc()));
        return;
    }
    const QStringList cells = {row.number,   row.ipAddress, row.macAddress,
                               row.hostName, row.workgroup, row.vendor};
    const QByteArray bytes = m_format == Format::Table ? tableLine(cells).toUtf8()
                                                       : ScanResultLine::format(cells);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}
