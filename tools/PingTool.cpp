#include "tools/PingTool.h"

#include "lists/ListModel.h"
#include "lists/RecordListModel.h"

QString PingTool::wording(const QString &address, const PingOutcome &outcome)
{
    switch (outcome.kind) {
    case PingOutcome::Kind::Reply:
        if (outcome.roundTripMs == 0)
            return QStringLiteral("Reply from [") + address + QStringLiteral("] Time < 1 ms.");
        return QStringLiteral("Reply from [") + address + QStringLiteral("] Time ") +
               QString::number(outcome.roundTripMs) + QStringLiteral(" ms.");
    case PingOutcome::Kind::NoReply:
        return QStringLiteral("Ping[") + address + QStringLiteral("] Request timed out.");
    case PingOutcome::Kind::NotSent:
        break;
    }
    if (outcome.badAddress)
        return QStringLiteral("Ping[") + address +
               QStringLiteral("] Nothing was sent: the address is not an IPv4 address.");
    return QStringLiteral("Ping[") + address +
           QStringLiteral("] Nothing was sent: no ICMP socket could be opened (a ping socket needs the "
                          "user's group in net.ipv4.ping_group_range, a raw socket needs CAP_NET_RAW).");
}

QString PingTool::messageForCurrentRecord(const ListModel &records) const
{
    if (records.count() == 0)
        return QLatin1String(EmptyListText);
    const int row = records.currentRow();
    if (row < 0 || row >= records.count())
        return QLatin1String(NoCurrentRowText);
    const QString address = records.text(row, RecordListModel::IpColumn);
    return wording(address, m_echo(address, TimeoutMs));
}

void PingTool::pingCurrentRecord(const ListModel &records, Prompt &prompt) const
{
    prompt.notice(messageForCurrentRecord(records));
}
