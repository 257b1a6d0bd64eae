#include "tools/WakeOnLan.h"

#include "lists/ListModel.h"
#include "lists/RecordListModel.h"
#include "platform/Prompt.h"
#include "tools/MagicPacket.h"

#include <QNetworkInterface>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::optional<WakeDestination> WakeDestination::parse(const QString &text)
{
    QString host = text;
    quint16 port = WakeDestination().port;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const uint value = text.mid(colon + 1).toUInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return std::nullopt;
        port = quint16(value);
        host = text.left(colon);
    }
    QHostAddress address;
    if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        address.toString() != host)
        return std::nullopt;
    return WakeDestination{address, port};
}

namespace {

// 0 when the whole datagram went, else the reason it did not.
int sendDatagram(int fd, const QByteArray &packet, const QHostAddress &address, quint16 port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address.toIPv4Address());
    const ssize_t written = ::sendto(fd, packet.constData(), size_t(packet.size()), 0,
                                     reinterpret_cast<const sockaddr *>(&to), sizeof to);
    if (written < 0)
        return errno;
    return written == packet.size() ? 0 : EMSGSIZE;
}

// The broadcast address of each IPv4 network of the interfaces that are up,
// loopback left out.
QList<QHostAddress> interfaceBroadcasts()
{
    QList<QHostAddress> broadcasts;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack) ||
            !flags.testFlag(QNetworkInterface::CanBroadcast))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull() &&
                !broadcasts.contains(entry.broadcast()))
                broadcasts.append(entry.broadcast());
        }
    }
    return broadcasts;
}

} // namespace

Result<> WakeOnLan::send(const QByteArray &packet) const
{
    const QString where =
        QStringLiteral("%1 port %2").arg(m_destination.address.toString()).arg(m_destination.port);
    const auto failure = [&where](int error) {
        return Failure{QStringLiteral("The magic packet could not be sent to %1: %2.")
                           .arg(where, QString::fromLocal8Bit(std::strerror(error)))};
    };
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0)
        return failure(errno);
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        const int error = errno;
        ::close(fd);
        return failure(error);
    }
    const int error = sendDatagram(fd, packet, m_destination.address, m_destination.port);
    // The limited broadcast needs a route for it, which a computer without
    // a default route lacks; each network's own broadcast reaches the same
    // machines on it.
    bool sent = error == 0;
    if (!sent && m_destination.address == QHostAddress(QHostAddress::Broadcast)) {
        for (const QHostAddress &broadcast : interfaceBroadcasts())
            sent = sendDatagram(fd, packet, broadcast, m_destination.port) == 0 || sent;
    }
    ::close(fd);
    if (!sent)
        return failure(error);
    return {};
}

WakeReport WakeOnLan::wake(const QStringList &macTexts) const
{
    WakeReport report;
    for (const QString &mac : macTexts) {
        const std::optional<QByteArray> packet = MagicPacket::fromMacText(mac);
        if (!packet) {
            ++report.skipped;
            continue;
        }
        if (const Result<> sent = send(*packet); !sent) {
            if (report.failed++ == 0)
                report.firstFailure = sent.error();
            continue;
        }
        ++report.sent;
    }
    return report;
}

QString WakeOnLan::wording(const WakeReport &report)
{
    QString text = QStringLiteral("Successfully Send ") + QString::number(report.sent) +
                   QStringLiteral(" records ");
    if (report.skipped == 1)
        text += QStringLiteral("\n1 record was skipped: its MAC address is not six hexadecimal parts.");
    else if (report.skipped > 1)
        text +=
            QStringLiteral("\n%1 records were skipped: their MAC addresses are not six hexadecimal parts.")
                .arg(report.skipped);
    if (report.failed == 1)
        text += QStringLiteral("\n1 record was not sent. ") + report.firstFailure;
    else if (report.failed > 1)
        text += QStringLiteral("\n%1 records were not sent. ").arg(report.failed) + report.firstFailure;
    return text;
}

void WakeOnLan::wakeTickedRecords(const ListModel &records, Prompt &prompt) const
{
    if (records.count() == 0)
        return;
    const QList<int> ticked = records.checkedRows();
    if (ticked.isEmpty()) {
        prompt.notice(QStringLiteral("No records were selected."));
        return;
    }
    QStringList macs;
    for (const int row : ticked)
        macs.append(records.text(row, RecordListModel::MacColumn));
    const WakeReport report = wake(macs);
    const bool clean = report.skipped == 0 && report.failed == 0;
    prompt.notice(wording(report), clean ? PromptIcon::Information : PromptIcon::Exclamation);
}
