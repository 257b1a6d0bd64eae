#include "scan/LinkListener.h"

#include <QSocketNotifier>

#include <poll.h>

#include "mac/helper/ArpClient.h"

namespace {

// A helper that has not greeted, or not taken the listen request, by then is
// not waited for.
constexpr std::chrono::milliseconds AnswerLimit{2000};
// The only request this listener's own helper runs.
constexpr std::uint32_t ListenId = 1;

HeardFrame::Kind frameKind(arpproto::Heard heard)
{
    switch (heard) {
    case arpproto::Heard::ArpRequest:
        return HeardFrame::Kind::ArpRequest;
    case arpproto::Heard::ArpReply:
        return HeardFrame::Kind::ArpReply;
    case arpproto::Heard::ArpProbe:
        return HeardFrame::Kind::ArpProbe;
    case arpproto::Heard::ArpAnnouncement:
        return HeardFrame::Kind::ArpAnnouncement;
    case arpproto::Heard::Solicitation:
        return HeardFrame::Kind::NeighbourSolicitation;
    case arpproto::Heard::Advertisement:
        return HeardFrame::Kind::NeighbourAdvertisement;
    case arpproto::Heard::DuplicateCheck:
        break;
    }
    return HeardFrame::Kind::DuplicateAddressCheck;
}

QString refusal(const QString &interfaceName, const std::string &code)
{
    if (code == "interface")
        return QStringLiteral("Cannot listen on %1: no such interface, or it is down or has no Ethernet "
                              "link with ARP.")
            .arg(interfaceName);
    if (code == "permission")
        return QStringLiteral("Cannot listen on %1: netkestrel-arp holds no permission to read the link "
                              "(it needs cap_net_raw+p on its file).")
            .arg(interfaceName);
    return QStringLiteral("Cannot listen on %1: netkestrel-arp refused the request (%2).")
        .arg(interfaceName, QString::fromStdString(code));
}

// The listener that netkestrel-arp feeds: the helper runs one listen request
// for it and ends with it.
class HelperListener : public LinkListener
{
public:
    // early: the lines that came with the helper's acceptance, told once the
    // caller has connected to the signals.
    HelperListener(std::unique_ptr<arpclient::HelperProcess> helper, const QString &interfaceName,
                   std::vector<std::string> early, QObject *parent)
        : LinkListener(parent),
          m_helper(std::move(helper)),
          m_interfaceName(interfaceName),
          m_notifier(new QSocketNotifier(m_helper->fd(), QSocketNotifier::Read, this)),
          m_early(std::move(early))
    {
        connect(m_notifier, &QSocketNotifier::activated, this, &HelperListener::readHelper);
        QMetaObject::invokeMethod(this, &HelperListener::readHelper, Qt::QueuedConnection);
    }

private:
    void take(const std::vector<std::string> &lines)
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const std::string &line : lines) {
            arpclient::Answer answer;
            if (!arpclient::parseAnswer(line, answer) || answer.id != ListenId)
                continue;
            if (answer.type == arpclient::Answer::Type::Heard) {
                Q_EMIT heard(HeardFrame{frameKind(answer.heard), QString::fromStdString(answer.addressText),
                                        QString::fromStdString(arpproto::macText(answer.mac)), now});
            } else if (answer.type == arpclient::Answer::Type::Error) {
                stop(answer.code == "interface"
                         ? QStringLiteral("Stopped listening on %1: the interface went down or away.")
                               .arg(m_interfaceName)
                         : refusal(m_interfaceName, answer.code));
                return;
            }
        }
    }

    void readHelper()
    {
        if (!m_notifier)
            return;
        std::vector<std::string> lines = std::move(m_early);
        m_early.clear();
        const bool open = m_helper->read(lines);
        take(lines);
        if (!open)
            stop(QStringLiteral("Stopped listening on %1: netkestrel-arp ended.").arg(m_interfaceName));
    }

    void stop(const QString &message)
    {
        if (!m_notifier)
            return;
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
        Q_EMIT lost(message);
    }

    std::unique_ptr<arpclient::HelperProcess> m_helper;
    QString m_interfaceName;
    QSocketNotifier *m_notifier;
    std::vector<std::string> m_early;
};

// Waits for the helper's answer to the listen request: the lines from its
// acceptance on (heard frames may follow it at once), or a message.
Result<std::vector<std::string>> accepted(arpclient::HelperProcess &helper, const QString &interfaceName)
{
    const auto until = std::chrono::steady_clock::now() + AnswerLimit;
    std::vector<std::string> lines;
    for (;;) {
        for (auto line = lines.begin(); line != lines.end(); ++line) {
            arpclient::Answer answer;
            if (!arpclient::parseAnswer(*line, answer) || answer.id != ListenId)
                continue;
            if (answer.type == arpclient::Answer::Type::Error)
                return Failure{refusal(interfaceName, answer.code)};
            if (answer.type == arpclient::Answer::Type::Listening)
                return std::vector<std::string>(line + 1, lines.end());
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd waiting{helper.fd(), POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, int(left.count())) <= 0)
            return Failure{
                QStringLiteral("Cannot listen on %1: netkestrel-arp did not answer.").arg(interfaceName)};
        if (!helper.read(lines))
            return Failure{QStringLiteral("Cannot listen on %1: netkestrel-arp ended.").arg(interfaceName)};
    }
}

} // namespace

LinkListener::LinkListener(QObject *parent) : QObject(parent) {}

LinkListener::~LinkListener() = default;

Result<std::unique_ptr<LinkListener>> LinkListener::open(const QString &interfaceName, QObject *parent)
{
    if (!arpproto::isInterfaceName(interfaceName.toStdString()))
        return Failure{refusal(interfaceName, "interface")};
    arpclient::HelperProcess::StartError error = arpclient::HelperProcess::StartError::None;
    std::unique_ptr<arpclient::HelperProcess> helper = arpclient::HelperProcess::start(
        arpclient::helperPaths(arpclient::programFolder()), AnswerLimit, &error);
    if (!helper && error == arpclient::HelperProcess::StartError::Missing)
        return Failure{QStringLiteral("Cannot listen on %1: netkestrel-arp, which reads the link, is not "
                                      "installed.")
                           .arg(interfaceName)};
    if (!helper)
        return Failure{QStringLiteral("Cannot listen on %1: netkestrel-arp did not start or holds no "
                                      "permission to read the link (it needs cap_net_raw+p on its file).")
                           .arg(interfaceName)};
    if (!helper->send(arpclient::listenLine(ListenId, interfaceName.toStdString())))
        return Failure{QStringLiteral("Cannot listen on %1: netkestrel-arp ended.").arg(interfaceName)};
    Result<std::vector<std::string>> first = accepted(*helper, interfaceName);
    if (!first)
        return Failure{first.error()};
    return std::unique_ptr<LinkListener>(
        std::make_unique<HelperListener>(std::move(helper), interfaceName, std::move(*first), parent));
}
