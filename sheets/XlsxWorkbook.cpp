#include "sheets/XlsxWorkbook.h"

#include "sheets/CellText.h"

#include <QDir>
#include <QXmlStreamReader>

namespace {

const QString WorkbookPart = QStringLiteral("xl/workbook.xml");
const QString WorkbookRelations = QStringLiteral("xl/_rels/workbook.xml.rels");

// A relationship target is relative to the folder of the workbook part,
// unless it starts at the root of the package.
QString resolvePart(const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(QStringLiteral("xl/") + target);
}

// "BC12" -> column 54 (from 0); -1 for a reference without letters.
int columnOfReference(QStringView reference)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference.at(i).isLetter(); ++i) {
        column = column * 26 + (reference.at(i).toUpper().unicode() - 'A' + 1);
        if (column > 16384)
            return -1;
    }
    return i == 0 ? -1 : column - 1;
}

// The text of an <si> or <is> element: its <t> and the <t> of its runs, in
// order; phonetic runs (<rPh>) are left out. The reader stands on the start
// element and ends on its end element.
QString readStringItem(QXmlStreamReader &reader)
{
    const QString element = reader.name().toString();
    QString text;
    int phonetic = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (reader.name() == QLatin1String("t") && phonetic == 0)
                text += reader.readElementText();
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("rPh"))
                --phonetic;
            else if (reader.name() == element)
                break;
        }
    }
    return text;
}

QString tooMany(const QString &part, qsizetype limit, const QString &what)
{
    return QStringLiteral("%1 holds more than %2 %3: it is not read.").arg(part).arg(limit).arg(what);
}

QString xmlFailure(const QString &part, const QXmlStreamReader &reader)
{
    return QStringLiteral("%1 is damaged: %2 (line %3).")
        .arg(part, reader.errorString())
        .arg(reader.lineNumber());
}

} // namespace

Result<std::unique_ptr<WorkbookReader>> XlsxWorkbook::open(const QString &path)
{
    Result<ZipArchive> archive = ZipArchive::open(path);
    if (!archive)
        return Failure{openFailure(path, archive.error())};
    std::unique_ptr<XlsxWorkbook> book(new XlsxWorkbook(path, std::move(*archive)));
    if (const Result<> read = book->readWorkbook(); !read)
        return Failure{openFailure(path, read.error())};
    return std::unique_ptr<WorkbookReader>(std::move(book));
}

Result<QByteArray> XlsxWorkbook::part(const QString &name, bool required) const
{
    Result<std::optional<QByteArray>> bytes = m_archive.read(name);
    if (!bytes)
        return Failure{bytes.error()};
    if (!*bytes) {
        if (required)
            return Failure{QStringLiteral("%1 is missing: it is no .xlsx workbook.").arg(name)};
        return QByteArray();
    }
    return **bytes;
}

Result<> XlsxWorkbook::readWorkbook()
{
    // Each part is let go once read: together they may be far larger than one.
    Result<PartNames> names = readRelations();
    if (!names)
        return Failure{names.error()};
    if (Result<> read = readSheetList(names->worksheets); !read)
        return read;
    if (Result<> read = readSharedStrings(names->sharedStrings); !read)
        return read;
    const Result<QByteArray> stylesXml = part(names->styles, false);
    if (!stylesXml)
        return Failure{stylesXml.error()};
    m_styles = XlsxStyles::parse(*stylesXml);
    return {};
}

Result<XlsxWorkbook::PartNames> XlsxWorkbook::readRelations() const
{
    const Result<QByteArray> relationsXml = part(WorkbookRelations, true);
    if (!relationsXml)
        return Failure{relationsXml.error()};
    PartNames names;
    QXmlStreamReader reader(*relationsXml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("Relationship"))
            continue;
        const auto attributes = reader.attributes();
        const QString type = attributes.value(QLatin1String("Type")).toString();
        const QString target = resolvePart(attributes.value(QLatin1String("Target")).toString());
        if (type.endsWith(QLatin1String("/worksheet"))) {
            if (names.worksheets.size() >= MaxSheets)
                return Failure{tooMany(WorkbookRelations, MaxSheets, QStringLiteral("worksheets"))};
            names.worksheets.insert(attributes.value(QLatin1String("Id")).toString(), target);
        } else if (type.endsWith(QLatin1String("/sharedStrings"))) {
            names.sharedStrings = target;
        } else if (type.endsWith(QLatin1String("/styles"))) {
            names.styles = target;
        }
    }
    if (reader.hasError())
        return Failure{xmlFailure(WorkbookRelations, reader)};
    return names;
}

Result<> XlsxWorkbook::readSheetList(const QHash<QString, QString> &worksheetTargets)
{
    const Result<QByteArray> workbookXml = part(WorkbookPart, true);
    if (!workbookXml)
        return Failure{workbookXml.error()};
    QXmlStreamReader reader(*workbookXml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto attributes = reader.attributes();
        if (reader.name() == QLatin1String("workbookPr")) {
            const QStringView date1904 = attributes.value(QLatin1String("date1904"));
            m_date1904 = date1904 == QLatin1String("1") || date1904 == QLatin1String("true");
        } else if (reader.name() == QLatin1String("sheet")) {
            // The relationship ID is r:id in the relationships namespace.
            QString id;
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (attribute.name() == QLatin1String("id"))
                    id = attribute.value().toString();
            }
            if (!worksheetTargets.contains(id))
                continue;
            if (m_sheetNames.size() >= MaxSheets)
                return Failure{tooMany(WorkbookPart, MaxSheets, QStringLiteral("worksheets"))};
            m_sheetNames.append(attributes.value(QLatin1String("name")).toString());
            m_sheetParts.append(worksheetTargets.value(id));
        }
    }
    if (reader.hasError())
        return Failure{xmlFailure(WorkbookPart, reader)};
    return {};
}

Result<> XlsxWorkbook::readSharedStrings(const QString &partName)
{
    const Result<QByteArray> sharedXml = part(partName, false);
    if (!sharedXml)
        return Failure{sharedXml.error()};
    if (sharedXml->isEmpty())
        return {};
    QXmlStreamReader reader(*sharedXml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("si"))
            continue;
        // No sheet can point at more strings than it has cells.
        if (m_sharedStrings.size() >= SheetGrid::MaxCells)
            return Failure{tooMany(partName, SheetGrid::MaxCells, QStringLiteral("shared strings"))};
        m_sharedStrings.append(readStringItem(reader));
    }
    if (reader.hasError())
        return Failure{xmlFailure(partName, reader)};
    return {};
}

QString XlsxWorkbook::cellText(const QString &type, int style, const QString &value,
                               const QString &inlineText) const
{
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        return ok ? m_sharedStrings.value(index) : QString();
    }
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") ? QStringLiteral("True") : QStringLiteral("False");
    if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d"))
        return value;
    // A number ("n" or no type).
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    if (const std::optional<CellText::DateKind> kind = m_styles.dateKind(style))
        return CellText::serialDate(number, *kind, m_date1904);
    return CellText::number(number);
}

Result<SheetGrid> XlsxWorkbook::readSheet(int index)
{
    const auto failed = [this](const QString &cause) {
        return Failure{QStringLiteral("The sheet cannot be read from %1.\r\n%2")
                           .arg(QDir::toNativeSeparators(m_path), cause)};
    };
    if (index < 0 || index >= m_sheetParts.size())
        return failed(QStringLiteral("There is no such sheet."));
    const QString partName = m_sheetParts.at(index);
    const Result<QByteArray> xml = part(partName, true);
    if (!xml)
        return failed(xml.error());

    // Rows and cells without a reference follow the one before them.
    SheetGridBuilder cells;
    int row = -1;
    int lastColumn = -1;
    QXmlStreamReader reader(*xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("row")) {
            bool ok = false;
            const int number = reader.attributes().value(QLatin1String("r")).toInt(&ok);
            row = ok && number > 0 ? number - 1 : row + 1;
            lastColumn = -1;
            if (row > SheetGrid::LastRow)
                return failed(QStringLiteral("%1 is damaged: a row lies outside the sheet.").arg(partName));
            continue;
        }
        if (reader.name() != QLatin1String("c"))
            continue;
        if (row < 0)
            row = 0;
        const auto attributes = reader.attributes();
        int column = columnOfReference(attributes.value(QLatin1String("r")));
        if (column < 0)
            column = lastColumn + 1;
        lastColumn = column;
        if (column > SheetGrid::LastColumn)
            return failed(QStringLiteral("%1 is damaged: a cell lies outside the sheet.").arg(partName));
        const QString type = attributes.value(QLatin1String("t")).toString();
        const int style = attributes.value(QLatin1String("s")).toInt();
        QString value;
        QString inlineText;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("v"))
                value = reader.readElementText();
            else if (reader.isStartElement() && reader.name() == QLatin1String("is"))
                inlineText = readStringItem(reader);
            else if (reader.isEndElement() && reader.name() == QLatin1String("c"))
                break;
        }
        if (!cells.add(row, column, cellText(type, style, value, inlineText)))
            return failed(tooMany(partName, SheetGrid::MaxCells, QStringLiteral("cells")));
    }
    if (reader.hasError())
        return failed(xmlFailure(partName, reader));
    return cells.take();
}
