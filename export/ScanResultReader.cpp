#include "export/ScanResultReader.h"

#include "export/TextDecoding.h"

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

// Walks the text field by field, each character once.
class FieldScanner
{
public:
    enum class Step { Field, NoField, OpenQuote };

    explicit FieldScanner(const QString &text) : m_text(text)
    {
        m_lastSignificant = m_text.size() - 1;
        while (m_lastSignificant >= 0 &&
               (isBlank(m_text.at(m_lastSignificant)) || isLineEnd(m_text.at(m_lastSignificant))))
            --m_lastSignificant;
    }

    // Only blanks and line ends are left: the file has ended between records.
    bool atEndOfRecords() const { return m_pos > m_lastSignificant; }

    // Lines of nothing but blanks between records hold no record: they are
    // passed over, never read as empty fields. Inside a record, and after a
    // record that ended with a comma, a line end still ends a field.
    void skipEmptyLines()
    {
        if (!m_atLineStart)
            return;
        for (;;) {
            qsizetype p = m_pos;
            while (p < m_text.size() && isBlank(m_text.at(p)))
                ++p;
            if (p >= m_text.size() || !isLineEnd(m_text.at(p)))
                return;
            m_pos = p + 1;
        }
    }

    // NoField when no field is left: the text ended after a line end (or at
    // the very start). A field after a final comma exists and is empty.
    // OpenQuote when the text ends inside a quoted field.
    Step next(QString *field)
    {
        while (m_pos < m_text.size() && isBlank(m_text.at(m_pos)))
            ++m_pos;
        if (m_pos >= m_text.size() && !m_afterComma)
            return Step::NoField;
        QString value;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('"')) {
            ++m_pos;
            for (;;) {
                const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos);
                if (close < 0) {
                    m_pos = m_text.size();
                    return Step::OpenQuote;
                }
                value += QStringView(m_text).mid(m_pos, close - m_pos);
                m_pos = close + 1;
                if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('"')) {
                    value += QLatin1Char('"');
                    ++m_pos;
                    continue;
                }
                break;
            }
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
        return Step::Field;
    }

    // Counts from the start: only for the one message of a failed read.
    int lineNumber() const { return int(QStringView(m_text).left(m_pos).count(QLatin1Char('\n'))) + 1; }

private:
    void consumeSeparator()
    {
        m_afterComma = false;
        m_atLineStart = false;
        if (m_pos >= m_text.size())
            return;
        const QChar c = m_text.at(m_pos++);
        m_atLineStart = isLineEnd(c);
        if (c == QLatin1Char(','))
            m_afterComma = true;
        else if (c == QLatin1Char('\r') && m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\n'))
            ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
    qsizetype m_lastSignificant = -1;
    bool m_afterComma = false;
    bool m_atLineStart = true;
};

} // namespace

ScanResultReader::ReadOutcome ScanResultReader::read(QIODevice &device, qint64 maxBytes)
{
    ReadOutcome result;
    const auto tooLarge = [&] {
        result.error = QStringLiteral("The scan result file is larger than %1 MiB and is not read.")
                           .arg(maxBytes / (1024 * 1024));
        return result;
    };
    if (!device.isSequential() && device.size() > maxBytes)
        return tooLarge();
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
        if (bytes.size() + n > maxBytes)
            return tooLarge();
        bytes.append(chunk, n);
    }
    // The writer stores the list texts as UTF-8; files from Windows are in its code page.
    const QString text = TextDecoding::utf8OrWindows1252(bytes);
    bytes.clear();
    FieldScanner scanner(text);
    for (scanner.skipEmptyLines(); !scanner.atEndOfRecords(); scanner.skipEmptyLines()) {
        if (result.rows.size() >= MaxRows) {
            result.rows.clear();
            result.error =
                QStringLiteral("The scan result file holds more than %1 rows and is not read.").arg(MaxRows);
            return result;
        }
        QStringList fields;
        QString field;
        // A field whose closing quote never comes is not taken: the record is cut off.
        while (fields.size() < FieldsPerRecord && scanner.next(&field) == FieldScanner::Step::Field)
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
        result.rows.append(ScanRow::fromFields(fields));
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
