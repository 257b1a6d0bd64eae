#include "sheets/XlsWorkbook.h"

#include "sheets/CellText.h"
#include "sheets/XlsReaderProcess.h"

#include <QDir>

// Only the error codes: FreeXL itself runs in the reader.
#include <freexl.h>

namespace {

QString cause(int code)
{
    if (code == FREEXL_FILE_NOT_FOUND)
        return QStringLiteral("The file cannot be read.");
    return QStringLiteral("The file is damaged or is no .xls workbook (error %1).").arg(code);
}

Failure garbled()
{
    return Failure{QLatin1String(XlsReaderProcess::UnreadableText)};
}

// The fields of one line, split at tabs; fields beyond the most a line has
// are not split off, so such a line reads as none the reader writes.
XlsWorkbook::Fields fieldsOf(QByteArrayView line)
{
    XlsWorkbook::Fields fields;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = fields.count + 1 < qsizetype(fields.views.size()) ? line.indexOf('\t', start)
                                                                                : -1;
        fields.views[fields.count++] = line.sliced(start, (tab < 0 ? line.size() : tab) - start);
        if (tab < 0)
            return fields;
        start = tab + 1;
    }
}

// A text as the reader escapes it; nothing when it is not so escaped.
std::optional<QString> unescaped(QByteArrayView field)
{
    if (!field.contains('\\'))
        return QString::fromUtf8(field);
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != '\\') {
            bytes += field.at(i);
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field.at(i)) {
        case '\\':
            bytes += '\\';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 'r':
            bytes += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return QString::fromUtf8(bytes);
}

// A number from 0 to last; -1 when the field is none.
int index(QByteArrayView field, int last)
{
    bool ok = false;
    const int value = QByteArray::fromRawData(field.data(), field.size()).toInt(&ok);
    return ok && value >= 0 && value <= last ? value : -1;
}

// The cell's text by its type; nothing when the value does not read as one.
std::optional<QString> cellText(QByteArrayView type, QByteArrayView value)
{
    const QByteArray raw = QByteArray::fromRawData(value.data(), value.size());
    bool ok = false;
    if (type == "i") {
        const qlonglong number = raw.toLongLong(&ok);
        return ok ? std::optional<QString>(QString::number(number)) : std::nullopt;
    }
    if (type == "d") {
        const double number = raw.toDouble(&ok);
        return ok ? std::optional<QString>(CellText::number(number)) : std::nullopt;
    }
    if (type == "t")
        return unescaped(value);
    return std::nullopt;
}

} // namespace

Result<std::unique_ptr<WorkbookReader>> XlsWorkbook::open(const QString &path)
{
    const Result<QByteArray> output = XlsReaderProcess::run(path);
    if (!output)
        return Failure{openFailure(path, output.error())};
    std::unique_ptr<XlsWorkbook> book(new XlsWorkbook(path));
    if (const Result<> read = book->readOutput(*output); !read)
        return Failure{openFailure(path, read.error())};
    return std::unique_ptr<WorkbookReader>(std::move(book));
}

Result<> XlsWorkbook::readOutput(const QByteArray &output)
{
    QList<SheetGridBuilder> builders;
    qsizetype start = 0;
    while (start < output.size()) {
        const qsizetype end = output.indexOf('\n', start);
        if (end < 0)
            return garbled();
        const Fields fields = fieldsOf(QByteArrayView(output).sliced(start, end - start));
        start = end + 1;
        if (fields.at(0) == "E")
            break;
        if (Result<> taken = takeLine(fields, builders); !taken)
            return taken;
    }
    for (qsizetype s = 0; s < m_sheets.size(); ++s) {
        if (m_sheets.at(s).failure.isEmpty())
            m_sheets[s].grid = builders[s].take();
    }
    return {};
}

Result<> XlsWorkbook::takeLine(const Fields &fields, QList<SheetGridBuilder> &builders)
{
    const QByteArrayView kind = fields.at(0);
    if (kind == "C" && fields.count == 6)
        return takeCell(fields, builders);
    if (kind == "S" && fields.count == 2) {
        const std::optional<QString> name = unescaped(fields.at(1));
        if (!name || m_sheetNames.size() > 65535)
            return garbled();
        m_sheetNames.append(*name);
        m_sheets.append(Sheet());
        builders.append(SheetGridBuilder());
        return {};
    }
    if (kind == "F" && fields.count == 3) {
        const int sheet = index(fields.at(1), int(m_sheets.size()) - 1);
        bool ok = false;
        const int code = QByteArray::fromRawData(fields.at(2).data(), fields.at(2).size()).toInt(&ok);
        if (sheet < 0 || !ok)
            return garbled();
        m_sheets[sheet].failure = cause(code);
        return {};
    }
    if (kind == "X" && fields.count == 2)
        return Failure{cause(QByteArray::fromRawData(fields.at(1).data(), fields.at(1).size()).toInt())};
    if (kind == "P" && fields.count == 1)
        return Failure{QStringLiteral("The workbook is protected by a password.")};
    return garbled();
}

Result<> XlsWorkbook::takeCell(const Fields &fields, QList<SheetGridBuilder> &builders)
{
    const int sheet = index(fields.at(1), int(m_sheets.size()) - 1);
    const int row = index(fields.at(2), SheetGrid::LastRow);
    const int column = index(fields.at(3), SheetGrid::LastColumn);
    std::optional<QString> text = cellText(fields.at(4), fields.at(5));
    if (sheet < 0 || row < 0 || column < 0 || !text)
        return garbled();
    Sheet &target = m_sheets[sheet];
    if (target.failure.isEmpty() && !builders[sheet].add(row, column, std::move(*text))) {
        target.failure =
            QStringLiteral("The sheet holds more than %1 cells: it is not read.").arg(SheetGrid::MaxCells);
        builders[sheet] = {};
    }
    return {};
}

Result<SheetGrid> XlsWorkbook::readSheet(int index)
{
    const auto failed = [this](const QString &why) {
        return Failure{QStringLiteral("The sheet cannot be read from %1.\r\n%2")
                           .arg(QDir::toNativeSeparators(m_path), why)};
    };
    if (index < 0 || index >= m_sheets.size())
        return failed(cause(FREEXL_BIFF_ILLEGAL_SHEET_INDEX));
    const Sheet &sheet = m_sheets.at(index);
    if (!sheet.failure.isEmpty())
        return failed(sheet.failure);
    return sheet.grid;
}
