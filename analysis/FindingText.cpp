#include "analysis/FindingText.h"

namespace {

const QLatin1String HeadMiddle("] is abused IP:");
const QLatin1String NotPresetTail(";This IP has not been preset yet");
const QLatin1String OtherMacTail("; This IP belongs to [");
const QLatin1String NotRecordedTail(";This MAC is not in Record, maybe it is illegal");
const QLatin1String OtherIpTail(";This MAC should be on[");

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

std::optional<Fields> parse(const QString &text)
{
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
