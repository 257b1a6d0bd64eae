#include "lists/SortKind.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <optional>

namespace {

template <typename T>
int sign(T difference)
{
    return (difference > T(0)) - (difference < T(0));
}

// Dates come from the program's own lists (the analysis list writes the
// regional short date and time joined by "; ") and from files written on other
// machines, so the usual spellings are all tried.
std::optional<QDateTime> toDateTime(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1String("; "), QLatin1String(" "));
    if (t.isEmpty())
        return std::nullopt;
    QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    if (dt.isValid())
        return dt;
    const QLocale locales[] = {QLocale::system(), QLocale::c()};
    for (const QLocale &locale : locales) {
        const QString date = locale.dateFormat(QLocale::ShortFormat);
        const QString time = locale.timeFormat(QLocale::ShortFormat);
        const QString longTime = locale.timeFormat(QLocale::LongFormat);
        for (const QString &format : {date + QLatin1Char(' ') + time, date + QLatin1Char(' ') + longTime}) {
            dt = locale.toDateTime(t, format);
            if (dt.isValid())
                return dt;
        }
        const QDate d = locale.toDate(t, QLocale::ShortFormat);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    static const char *const formats[] = {
        "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy/M/d H:mm:ss", "yyyy/M/d",
        "M/d/yyyy h:mm:ss AP", "M/d/yyyy H:mm:ss", "M/d/yyyy",         "yyyy-MM-dd"};
    for (const char *format : formats) {
        dt = QDateTime::fromString(t, QLatin1String(format));
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

std::optional<double> toNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok)
        return value;
    const double localValue = QLocale::system().toDouble(text.trimmed(), &ok);
    return ok ? std::optional<double>(localValue) : std::nullopt;
}

// 192.168.1.5 -> 192.168.001.005; parts longer than three stay as they are.
QString paddedAddress(const QString &text)
{
    QStringList parts = text.split(QLatin1Char('.'));
    for (QString &part : parts)
        part = part.rightJustified(3, QLatin1Char('0'));
    return parts.join(QLatin1Char('.'));
}

// 2001:2::a -> 2001:0002:0000:0000:0000:0000:0000:000a; empty for a text
// that is no IPv6 address in hexadecimal groups.
QString expandedIpv6(const QString &text)
{
    const QStringList halves = text.split(QLatin1String("::"));
    if (halves.size() > 2)
        return {};
    const auto groupsOf = [](const QString &half) {
        return half.isEmpty() ? QStringList() : half.split(QLatin1Char(':'));
    };
    QStringList groups = groupsOf(halves.at(0));
    const QStringList tail = halves.size() == 2 ? groupsOf(halves.at(1)) : QStringList();
    const qsizetype missing = 8 - groups.size() - tail.size();
    if (missing < 0 || (halves.size() == 1 && missing != 0))
        return {};
    for (qsizetype n = 0; n < missing; ++n)
        groups.append(QStringLiteral("0"));
    groups += tail;
    for (QString &group : groups) {
        bool hex = false;
        group.toUShort(&hex, 16);
        if (!hex || group.size() > 4)
            return {};
        group = group.rightJustified(4, QLatin1Char('0')).toLower();
    }
    return groups.join(QLatin1Char(':'));
}

// IPv4 addresses (and any other text) first, then IPv6 ones, each in the
// order of their numbers.
QString addressKey(const QString &text)
{
    if (text.contains(QLatin1Char(':'))) {
        const QString ipv6 = expandedIpv6(text.trimmed());
        if (!ipv6.isEmpty())
            return QLatin1String("6 ") + ipv6;
    }
    return QLatin1String("4 ") + paddedAddress(text);
}

} // namespace

int CompareListItems(const QString &a, const QString &b, SortKind kind)
{
    switch (kind) {
    case SortKind::Date: {
        const auto da = toDateTime(a);
        const auto db = toDateTime(b);
        if (!da || !db)
            return 0;
        return sign(db->msecsTo(*da));
    }
    case SortKind::Number: {
        // Currency cells: "$" starts the first text, and both lose their first character.
        const bool currency = a.startsWith(QLatin1Char('$'));
        const auto na = toNumber(currency ? a.mid(1) : a);
        const auto nb = toNumber(currency ? b.mid(1) : b);
        if (!na || !nb)
            return 0;
        return sign(*na - *nb);
    }
    case SortKind::ExactText:
        return sign(QString::compare(a, b, Qt::CaseSensitive));
    case SortKind::Address:
        return sign(QString::compare(addressKey(a), addressKey(b), Qt::CaseInsensitive));
    case SortKind::Text:
    default:
        return sign(QString::compare(a, b, Qt::CaseInsensitive));
    }
}
