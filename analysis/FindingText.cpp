#include "analysis/FindingText.h"

namespace {

const QLatin1String HeadMiddle("] is abused IP:");
const QLatin1String NotPresetTail(";This IP has not been preset yet");
const QLatin1String OtherMacTail("; This IP belongs to [");
const QLatin1String NotRecordedTail(";This MAC is not in Record, maybe it is illegal");
const QLatin1String OtherIpTail(";This MAC should be on[");
const QLatin1String ConflictHead("IP ");
const QLatin1String ConflictMiddle(" is answered by MACs [");
const QLatin1String ConflictAnd("] and [");
const QLatin1String ConflictComma("], [");

QString head(const QString &ip, const QString &mac)
{
    return QLatin1Char('[') + mac + HeadMiddle + ip;
}

} // namespace

namespace FindingText {

QString ipNotPreset(const QString &ip, const QString &mac)
{
    return head(ip, mac) + NotPresetTail;
}

QString ipOtherMac(const QString &ip, const QString &mac, const QString &recordMac)
{
    return head(ip, mac) + OtherMacTail + recordMac + QLatin1Char(']');
}

QString macNotRecorded(const QString &ip, const QString &mac)
{
    return head(ip, mac) + NotRecordedTail;
}

QString macOtherIp(const QString &ip, const QString &mac, const QString &recordIp)
{
    return head(ip, mac) + OtherIpTail + recordIp + QLatin1Char(']');
}

QString ipConflict(const QString &ip, const QStringList &macs)
{
    QStringList shown = macs;
    const QString last = shown.isEmpty() ? QString() : shown.takeLast();
    QString text = ConflictHead + ip + ConflictMiddle;
    if (!shown.isEmpty())
        text += shown.join(ConflictComma) + ConflictAnd;
    return text + last + QLatin1Char(']');
}

// The MACs of a conflict text hold no brackets or commas (scan rows carry
// them in the "00-0A-E4-20-53-55" form), so the list splits back cleanly.
std::optional<Fields> parseConflict(const QString &text)
{
    const qsizetype middle = text.indexOf(ConflictMiddle);
    if (middle < 0 || !text.endsWith(QLatin1Char(']')))
        return std::nullopt;
    QString list = text.mid(middle + ConflictMiddle.size());
    list.chop(1);
    const qsizetype lastAnd = list.lastIndexOf(ConflictAnd);
    if (lastAnd < 0)
        return std::nullopt;
    Fields fields;
    fields.kind = QLatin1String(IpConflict);
    fields.ipAddress = text.mid(ConflictHead.size(), middle - ConflictHead.size());
    fields.macs = list.left(lastAnd).split(ConflictComma);
    fields.macs.append(list.mid(lastAnd + ConflictAnd.size()));
    for (const QString &mac : std::as_const(fields.macs)) {
        if (mac.isEmpty() || mac.contains(QLatin1Char('[')) || mac.contains(QLatin1Char(']')))
            return std::nullopt;
    }
    fields.macAddress = fields.macs.constFirst();
    return fields;
}

std::optional<Fields> parse(const QString &text)
{
    if (text.startsWith(ConflictHead))
        return parseConflict(text);
    if (!text.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype middle = text.indexOf(HeadMiddle);
    if (middle < 0)
        return std::nullopt;
    const qsizetype ipStart = middle + HeadMiddle.size();
    const qsizetype tailStart = text.indexOf(QLatin1Char(';'), ipStart);
    if (tailStart < 0)
        return std::nullopt;
    Fields fields;
    fields.macAddress = text.mid(1, middle - 1);
    fields.ipAddress = text.mid(ipStart, tailStart - ipStart);
    const QStringView tail = QStringView(text).mid(tailStart);
    const auto between = [&tail](QLatin1String start) {
        return tail.sliced(start.size(), tail.size() - start.size() - 1).toString();
    };
    if (tail == NotPresetTail) {
        fields.kind = QLatin1String(IpNotPreset);
    } else if (tail.startsWith(OtherMacTail) && tail.endsWith(QLatin1Char(']'))) {
        fields.kind = QLatin1String(IpOtherMac);
        fields.recorded = between(OtherMacTail);
    } else if (tail == NotRecordedTail) {
        fields.kind = QLatin1String(MacNotRecorded);
    } else if (tail.startsWith(OtherIpTail) && tail.endsWith(QLatin1Char(']'))) {
        fields.kind = QLatin1String(MacOtherIp);
        fields.recorded = between(OtherIpTail);
    } else {
        return std::nullopt;
    }
    return fields;
}

} // namespace FindingText
