#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The finding texts of the analysis, written and read back in one place.
// The four record rules' findings are "[MAC] is abused IP:IP" followed by the
// tail of the rule; an address conflict reads as the change event of the
// same name does.
namespace FindingText {

// The stable words of the four rules, as --format json writes them.
inline constexpr const char *IpNotPreset = "ip-not-preset";
inline constexpr const char *IpOtherMac = "ip-other-mac";
inline constexpr const char *MacNotRecorded = "mac-not-recorded";
inline constexpr const char *MacOtherIp = "mac-other-ip";
inline constexpr const char *IpConflict = "ip-conflict";

QString ipNotPreset(const QString &ip, const QString &mac);
QString ipOtherMac(const QString &ip, const QString &mac, const QString &recordMac);
QString macNotRecorded(const QString &ip, const QString &mac);
QString macOtherIp(const QString &ip, const QString &mac, const QString &recordIp);
// "IP ip is answered by MACs [m1] and [m2]": macs holds at least two, as
// the scan row gave them, the first the row's own.
QString ipConflict(const QString &ip, const QStringList &macs);

struct Fields
{
    QString kind; // one of the words above
    QString ipAddress;
    QString macAddress; // as the scan row showed it
    QString recorded;   // the record's MAC (ip-other-mac) or IP (mac-other-ip); else empty
    QStringList macs;   // ip-conflict: every MAC that answered, macAddress the first
};
// The rule, IP and MAC of a finding text; nothing for any other text.
std::optional<Fields> parse(const QString &text);

} // namespace FindingText
