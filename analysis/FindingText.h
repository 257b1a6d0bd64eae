#pragma once

#include <QString>

#include <optional>

// The four finding texts of the analysis, written and read back in one place.
// Every finding is "[MAC] is abused IP:IP" followed by the tail of its rule.
namespace FindingText {

// The stable words of the four rules, as --format json writes them.
inline constexpr const char *IpNotPreset = "ip-not-preset";
inline constexpr const char *IpOtherMac = "ip-other-mac";
inline constexpr const char *MacNotRecorded = "mac-not-recorded";
inline constexpr const char *MacOtherIp = "mac-other-ip";

QString ipNotPreset(const QString &ip, const QString &mac);
QString ipOtherMac(const QString &ip, const QString &mac, const QString &recordMac);
QString macNotRecorded(const QString &ip, const QString &mac);
QString macOtherIp(const QString &ip, const QString &mac, const QString &recordIp);

struct Fields
{
    QString kind; // one of the words above
    QString ipAddress;
    QString macAddress; // as the scan row showed it
    QString recorded;   // the record's MAC (ip-other-mac) or IP (mac-other-ip); else empty
};
// The rule, IP and MAC of a finding text; nothing for any other text.
std::optional<Fields> parse(const QString &text);

} // namespace FindingText
