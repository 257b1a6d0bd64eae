#include "ScanResultReader.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

constexpr int FieldsPerRecord = 6;

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Walks the text field by field.
class FieldScanner
{
public:
    explicit FieldScanner(const QString &text) : m_text(text) {}

    // Only blanks and line ends are left: the file has ended between records.
    bool atEndOfRecords() const
    {
        for (qsizetype i = m_pos; i < m_text.size(); ++i) {
            if (!isBlank(m_text.at(i)) && !isLineEnd(m_text.at(i)))
                return false;
        }
        return true;
    }

    // False when no field is left: the text ended after a line end (or at
    // the very start). A field after a final comma exists and is empty.
    bool next(QString *field)
    {
        while (m_pos < m_text.size() && isBlank(m_text.at(m_pos)))
            ++m_pos;
        if (m_pos >= m_text.size() && !m_afterComma)
            return false;
        QString value;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('"')) {
            const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
            const qsizetype end = close < 0 ? m_text.size() : close;
            value = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = close < 0 ? m_text.size() : close + 1;
            while (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(',') &&
                   !isLineEnd(m_text.at(m_pos)))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(',') &&
                   !isLineEnd(m_text.at(m_pos)))
                ++m_pos;
            value = m_text.mid(start, m_pos - start);
            while (!value.isEmpty() && value.back() == QLatin1Char(' '))
                value.chop(1);
        }
        consumeSeparator();
        *field = value;
        return true;
    }

    int lineNumber() const { return int(m_text.left(m_pos).count(QLatin1Char('\n'))) + 1; }

private:
    void consumeSeparator()
    {
        m_afterComma = false;
        if (m_pos >= m_text.size())
            return;
        const QChar c = m_text.at(m_pos++);
        if (c == QLatin1Char(','))
            m_afterComma = true;
        else if (c == QLatin1Char('\r') && m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\n'))
            ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
    bool m_afterComma = false;
};

ScanRow rowOf(const QStringList &fields)
{
    ScanRow row;
    row.number = fields.at(0);
    row.ipAddress = fields.at(1);
    row.macAddress = fields.at(2);
    row.hostName = fields.at(3);
    row.workgroup = fields.at(4);
    row.vendor = fields.at(5);
    row.iconIndex = row.number.isEmpty() ? ScanRow::SilentIcon : ScanRow::AnsweredIcon;
    return row;
}

} // namespace

ScanResultReader::ReadOutcome ScanResultReader::read(QIODevice &device)
{
    ReadOutcome result;
    // read() rather than readAll(), which cannot tell a read error from the end.
    // The records complete before a read error are kept.
    QByteArray bytes;
    QString readError;
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = device.read(chunk, sizeof chunk);
        if (n < 0) {
            readError = QStringLiteral("The scan result file cannot be read to its end.\r\n%1")
                            .arg(device.errorString());
            break;
        }
        if (n == 0)
            break;
        bytes.append(chunk, n);
    }
    // The writer stores the list texts as UTF-8.
    const QString text = QString::fromUtf8(bytes);
    FieldScanner scanner(text);
    while (!scanner.atEndOfRecords()) {
        QStringList fields;
        QString field;
        while (fields.size() < FieldsPerRecord && scanner.next(&field))
            fields.append(field);
        if (fields.size() < FieldsPerRecord) {
            if (!readError.isEmpty())
                break;
            result.error = QStringLiteral("The scan result file ends in the middle of a record (line %1): "
                                          "%2 of its six fields are there. The %3 rows before it were read.")
                               .arg(scanner.lineNumber())
                               .arg(fields.size())
                               .arg(result.rows.size());
            return result;
        }
        result.rows.append(rowOf(fields));
    }
    result.error = readError;
    return result;
}

ScanResultReader::ReadOutcome ScanResultReader::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReadOutcome result;
        result.error = QStringLiteral("The scan result file %1 cannot be opened.\r\n%2")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    return read(file);
}
