// Build-time generator of the vendor data files from the IEEE registries as
// Debian's ieee-data package ships them.
//
//   make_vendor_data --oui oui.txt --mam mam.csv --oui36 oui36.csv --iab iab.csv
//                    --vendors OUT/wkcj.dll --blocks OUT/wkcj-blocks.txt
//
// wkcj.dll: one record per MA-L assignment, "00-0A-E4" TAB name CR LF.
// The blocks file: one line per MA-M, MA-S or IAB assignment, its 7 or 9
// upper-case hex digits TAB name CR LF. Both UTF-8 and sorted by key, so equal
// registries give equal bytes. When the registry lists a key twice, its first
// entry wins. Exit status 1, with a message, when an input cannot be read,
// yields nothing, or an output cannot be written.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {

using Assignments = QMap<QString, QString>; // key -> organisation, sorted by key

void fail(const QString &message)
{
    std::fprintf(stderr, "make_vendor_data: %s\n", qPrintable(message));
}

std::optional<QString> readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

// A name fit for one record: no line breaks or tabs, which would split it.
QString cleanName(QString name)
{
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return name.trimmed();
}

// oui.txt lists each assignment as "00-0A-E4   (hex)\t\tName" followed by a
// base-16 line and the address; only the "(hex)" lines matter.
bool parseMaL(const QString &text, Assignments &out)
{
    static const QRegularExpression line(
        QStringLiteral(R"(^([0-9A-Fa-f]{2}-[0-9A-Fa-f]{2}-[0-9A-Fa-f]{2})[ \t]+\(hex\)[ \t]*(.*)$)"),
        QRegularExpression::MultilineOption);
    auto matches = line.globalMatch(text);
    while (matches.hasNext()) {
        const auto match = matches.next();
        const QString key = match.captured(1).toUpper();
        const QString name = cleanName(match.captured(2));
        if (!name.isEmpty() && !out.contains(key))
            out.insert(key, name);
    }
    return !out.isEmpty();
}

// RFC 4180 records: comma-separated fields, quoted fields may hold commas,
// doubled quotes and line breaks; records end with CR LF or LF.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field.append(u'"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field.append(c);
            }
        } else if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
            fieldStarted = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            record.append(field);
            field.clear();
            fieldStarted = false;
            if (record.size() > 1 || !record.first().isEmpty())
                records.append(record);
            record.clear();
        } else {
            field.append(c);
            fieldStarted = true;
        }
    }
    if (fieldStarted || !record.isEmpty()) {
        record.append(field);
        records.append(record);
    }
    return records;
}

// Registry,Assignment,Organization Name,Organization Address; the header row
// and rows whose assignment is not digitCount hex digits are skipped.
bool parseBlocks(const QString &text, qsizetype digitCount, Assignments &out)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]+$"));
    bool any = false;
    for (const QStringList &record : parseCsv(text)) {
        if (record.size() < 3)
            continue;
        const QString prefix = record.at(1).trimmed().toUpper();
        const QString name = cleanName(record.at(2));
        if (prefix.size() != digitCount || !hex.match(prefix).hasMatch() || name.isEmpty())
            continue;
        any = true;
        if (!out.contains(prefix))
            out.insert(prefix, name);
    }
    return any;
}

bool write(const QString &path, const Assignments &assignments)
{
    QByteArray bytes;
    for (auto it = assignments.cbegin(); it != assignments.cend(); ++it)
        bytes += it.key().toLatin1() + '\t' + it.value().toUtf8() + "\r\n";

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the vendor data files from the IEEE registries."));
    parser.addHelpOption();
    const QCommandLineOption oui(QStringLiteral("oui"), QStringLiteral("MA-L registry (oui.txt)."),
                                 QStringLiteral("file"));
    const QCommandLineOption mam(QStringLiteral("mam"), QStringLiteral("MA-M registry (mam.csv)."),
                                 QStringLiteral("file"));
    const QCommandLineOption oui36(QStringLiteral("oui36"), QStringLiteral("MA-S registry (oui36.csv)."),
                                   QStringLiteral("file"));
    const QCommandLineOption iab(QStringLiteral("iab"), QStringLiteral("IAB registry (iab.csv)."),
                                 QStringLiteral("file"));
    const QCommandLineOption vendors(QStringLiteral("vendors"), QStringLiteral("Output: the MA-L data file."),
                                     QStringLiteral("file"));
    const QCommandLineOption blocks(QStringLiteral("blocks"), QStringLiteral("Output: the blocks file."),
                                    QStringLiteral("file"));
    parser.addOptions({oui, mam, oui36, iab, vendors, blocks});
    parser.process(app);
    for (const auto *option : {&oui, &mam, &oui36, &iab, &vendors, &blocks}) {
        if (!parser.isSet(*option)) {
            fail(QStringLiteral("--%1 is required").arg(option->names().constFirst()));
            return 1;
        }
    }

    Assignments maL;
    const auto ouiText = readText(parser.value(oui));
    if (!ouiText)
        return 1;
    if (!parseMaL(*ouiText, maL)) {
        fail(QStringLiteral("no MA-L assignments in %1").arg(parser.value(oui)));
        return 1;
    }

    Assignments longer;
    const std::pair<const QCommandLineOption *, qsizetype> registries[] = {{&mam, 7}, {&oui36, 9}, {&iab, 9}};
    for (const auto &[option, digits] : registries) {
        const auto text = readText(parser.value(*option));
        if (!text)
            return 1;
        if (!parseBlocks(*text, digits, longer)) {
            fail(QStringLiteral("no assignments in %1").arg(parser.value(*option)));
            return 1;
        }
    }

    return write(parser.value(vendors), maL) && write(parser.value(blocks), longer) ? 0 : 1;
}
