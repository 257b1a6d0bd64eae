#include "history/HistorySpool.h"

#include "history/HistoryTime.h"
#include "platform/DataFolder.h"
#include "records/RecordStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <optional>
#include <unistd.h>

namespace {

const QLatin1String Format("netkestrel-kept-scan");
constexpr int Version = 1;
constexpr int MaxTextLength = 1024; // far above any host name, workgroup or vendor a scan gives
constexpr int MaxAbsenceDays = 36500;
const QLatin1String Suffix(".json");

QString storeKey(const RecordStore &store)
{
    return store.server() ? store.server()->display()
                          : QStringLiteral("file:") + QFileInfo(store.databasePath()).fileName();
}

QJsonArray textArray(std::initializer_list<QString> texts)
{
    QJsonArray array;
    for (const QString &text : texts)
        array.append(text);
    return array;
}

// The texts of one row array, each bounded; nothing when it is no such array.
std::optional<QStringList> texts(const QJsonValue &value, qsizetype count, qsizetype maxCount = 0)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() < count || array.size() > std::max(count, maxCount))
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue &text : array) {
        if (!text.isString() || text.toString().size() > MaxTextLength)
            return std::nullopt;
        texts.append(text.toString());
    }
    return texts;
}

Result<KeptScan> parse(const QJsonObject &object, const QString &expectedStore)
{
    const auto refuse = [](const char *what) { return Failure{QString::fromLatin1(what)}; };
    if (object.value(QLatin1String("format")).toString() != Format ||
        object.value(QLatin1String("version")).toInt() != Version)
        return refuse("not a kept scan of this version");
    if (object.value(QLatin1String("store")).toString() != expectedStore)
        return refuse("kept for another store");
    KeptScan scan;
    scan.time = HistoryTime::fromText(object.value(QLatin1String("time")).toString());
    scan.site = object.value(QLatin1String("site")).toString();
    scan.absenceDays = object.value(QLatin1String("absenceDays")).toInt(-1);
    if (!scan.time.isValid() || scan.site.trimmed().isEmpty() || scan.site.size() > MaxTextLength ||
        scan.absenceDays < 0 || scan.absenceDays > MaxAbsenceDays)
        return refuse("no valid time, site or absence limit");
    const QJsonArray rows = object.value(QLatin1String("rows")).toArray();
    const QJsonArray neighbours = object.value(QLatin1String("neighbours")).toArray();
    if (rows.size() > KeptScan::MaxRows || neighbours.size() > KeptScan::MaxRows)
        return refuse("more rows than a scan has");
    scan.rows.reserve(rows.size());
    for (const QJsonValue &value : rows) {
        const std::optional<QStringList> fields = texts(value, 5, 6);
        if (!fields)
            return refuse("a row is not five or six texts");
        ScanRow &row = scan.rows.emplace_back();
        row.ipAddress = fields->at(0);
        row.macAddress = fields->at(1);
        row.hostName = fields->at(2);
        row.workgroup = fields->at(3);
        row.vendor = fields->at(4);
        row.otherMacs = fields->value(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    for (const QJsonValue &value : neighbours) {
        const std::optional<QStringList> pair = texts(value, 2);
        if (!pair)
            return refuse("a neighbour is not two texts");
        scan.neighbourMacs.insert(pair->at(0), pair->at(1));
    }
    scan.heard = object.value(QLatin1String("heard")).toBool();
    const QJsonArray events = object.value(QLatin1String("events")).toArray();
    if (events.size() > KeptScan::MaxRows)
        return refuse("more events than a scan has");
    for (const QJsonValue &value : events) {
        const std::optional<QStringList> fields = texts(value, 7);
        const std::optional<ChangeEvent::Kind> kind = fields ? ChangeEvent::kindFromWord(fields->at(0))
                                                             : std::nullopt;
        ChangeEvent event;
        event.time = fields ? HistoryTime::fromText(fields->at(5)) : QDateTime();
        if (!kind || !event.time.isValid())
            return refuse("an event is not a kind and six texts");
        event.kind = *kind;
        event.site = scan.site;
        event.ipAddress = fields->at(1);
        event.macAddress = fields->at(2);
        event.otherMac = fields->at(3);
        event.otherTime = HistoryTime::fromText(fields->at(4));
        event.hostName = fields->at(6);
        scan.events.append(event);
    }
    return scan;
}

} // namespace

HistorySpool::HistorySpool(const RecordStore &store)
    : m_folder(QFileInfo(store.databasePath()).absolutePath() + QLatin1Char('/') + QLatin1String(FolderName)),
      m_storeKey(storeKey(store)),
      m_prefix(
          QString::fromLatin1(
              QCryptographicHash::hash(m_storeKey.toUtf8(), QCryptographicHash::Sha256).toHex().left(12)) +
          QLatin1Char('-'))
{
}

Result<> HistorySpool::keep(const KeptScan &scan) const
{
    if (const Result<> made = DataFolder::ensureExists(m_folder); !made)
        return made;
    QJsonArray rows;
    for (const ScanRow &row : scan.rows) {
        QJsonArray texts =
            textArray({row.ipAddress, row.macAddress, row.hostName, row.workgroup, row.vendor});
        // Only a row with further MACs has a sixth text, so that the files
        // of scans without conflicts stay as older versions read them.
        if (!row.otherMacs.isEmpty())
            texts.append(row.otherMacs.join(QLatin1Char(' ')));
        rows.append(texts);
    }
    QJsonArray neighbours;
    for (auto it = scan.neighbourMacs.cbegin(); it != scan.neighbourMacs.cend(); ++it)
        neighbours.append(textArray({it.key(), it.value()}));
    QJsonArray events;
    for (const ChangeEvent &e : scan.events)
        events.append(textArray({ChangeEvent::kindWord(e.kind), e.ipAddress, e.macAddress, e.otherMac,
                                 e.otherTime.isValid() ? HistoryTime::text(e.otherTime) : QString(),
                                 HistoryTime::text(e.time), e.hostName}));
    QJsonObject object{
        {QLatin1String("format"), Format},    {QLatin1String("version"), Version},
        {QLatin1String("store"), m_storeKey}, {QLatin1String("time"), HistoryTime::text(scan.time)},
        {QLatin1String("site"), scan.site},   {QLatin1String("absenceDays"), scan.absenceDays},
        {QLatin1String("rows"), rows},        {QLatin1String("neighbours"), neighbours}};
    if (scan.heard) {
        object.insert(QLatin1String("heard"), true);
        object.insert(QLatin1String("events"), events);
    }

    // The time orders the files; the process and a count keep two scans of
    // one second (or of two processes) apart.
    static std::atomic<int> count{0};
    const QString name = m_prefix + scan.time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")) +
                         QStringLiteral("-%1-%2").arg(::getpid()).arg(++count, 6, 10, QLatin1Char('0')) +
                         Suffix;
    QSaveFile file(m_folder + QLatin1Char('/') + name);
    const auto fail = [&] {
        return Failure{
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString())};
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (!file.commit())
        return fail();
    return {};
}

QStringList HistorySpool::pending() const
{
    QStringList files =
        QDir(m_folder).entryList({m_prefix + QLatin1Char('*') + Suffix}, QDir::Files, QDir::Name);
    for (QString &file : files)
        file = m_folder + QLatin1Char('/') + file;
    return files;
}

Result<KeptScan> HistorySpool::read(const QString &file) const
{
    const auto fail = [&](const QString &why) {
        return Failure{QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), why)};
    };
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    const QByteArray bytes = in.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return fail(QStringLiteral("larger than a scan's history can be"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return fail(QStringLiteral("not a kept scan"));
    Result<KeptScan> scan = parse(document.object(), m_storeKey);
    if (!scan)
        return fail(scan.error());
    return scan;
}

QString HistorySpool::setAside(const QString &file) const
{
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    return QFile::rename(file, aside) ? aside : file;
}
