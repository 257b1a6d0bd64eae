#include "mail/MailAddress.h"

#include <QStringList>

namespace MailAddress {

const QString &topLevelNames()
{
    static const QString names = QStringLiteral(
        "AERO BIZ COM COOP EDU GOV INFO INT MIL MUSEUM NAME NET ORG PRO AC AD AE AF AG AI AL AM AN AO AQ AR "
        "AS AT AU AW AZ BA BB BD BE BF BG BH BI BJ BM BN BO BR BS BT BV BW BY BZ CA CC CD CF CG CH CI CK CL "
        "CM CN CO CR CU CV CX CY CZ DE DJ DK DM DO DZ EC EE EG EH ER ES ET FI FJ FK FM FO FR GA GD GE GF GG "
        "GH GI GL GM GN GP GQ GR GS GT GU GW GY HK HM HN HR HT HU ID IE IL IM IN IO IQ IR IS IT JE JM JO JP "
        "KE KG KH KI KM KN KP KR KW KY KZ LA LB LC LI LK LR LS LT LU LV LY MA MC MD MG MH MK ML MM MN MO MP "
        "MQ MR MS MT MU MV MW MX MY MZ NA NC NE NF NG NI NL NO NP NR NU NZ OM PA PE PF PG PH PK PL PM PN PR "
        "PS PT PW PY QA RE RO RU RW SA SB SC SD SE SG SH SI SJ SK SL SM SN SO SR ST SV SY SZ TC TD TF TG TH "
        "TJ TK TM TN TO TP TR TT TV TW TZ UA UG UK UM US UY UZ VA VC VE VG VI VN VU WF WS YE YT YU ZA ZM ZW");
    return names;
}

namespace {

bool isDottedIpv4(const QString &host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        const int number = part.toInt(&ok);
        if (!ok || part.isEmpty() || part.size() > 3 || number < 0 || number > 255 || part.startsWith('+'))
            return false;
    }
    return true;
}

} // namespace

bool isValidHostName(const QString &host)
{
    const QString name = host.trimmed().toUpper();
    if (name.isEmpty())
        return false;
    if (isDottedIpv4(name))
        return true;
    const QStringList labels = name.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    const QString &last = labels.constLast();
    // A blank inside the label would match across two names of the list.
    return !last.isEmpty() && !last.contains(QLatin1Char(' ')) && topLevelNames().contains(last);
}

bool isValidEmailAddress(const QString &address)
{
    if (address.count(QLatin1Char('@')) != 1)
        return false;
    return isValidHostName(domainOf(address));
}

QString domainOf(const QString &address)
{
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    return at < 0 ? address : address.mid(at + 1);
}

} // namespace MailAddress
