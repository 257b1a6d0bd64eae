#include "notify/UrlNotifier.h"

#include "platform/TerminalText.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

Result<QUrl> UrlNotifier::parseUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return Failure{QStringLiteral("--notify-url takes an http:// or https:// address, not \"%1\".")
                           .arg(TerminalText::printable(text))};
    return url;
}

UrlNotifier::UrlNotifier(const QUrl &url, const QString &dataFolder, Timing timing, QObject *parent)
    : QObject(parent), m_url(url), m_spool(dataFolder), m_timing(timing), m_delay(timing.firstRetry)
{
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &UrlNotifier::sendNext);
}

Result<> UrlNotifier::notify(const QByteArray &line)
{
    const Result<> kept = m_spool.keep(line);
    start();
    return kept;
}

void UrlNotifier::start()
{
    if (!m_reply && !m_retry.isActive())
        sendNext();
}

void UrlNotifier::sendNext()
{
    while (true) {
        const QStringList pending = m_spool.pending();
        if (pending.isEmpty())
            return;
        m_sending = pending.first();
        const Result<QByteArray> line = m_spool.read(m_sending);
        if (line) {
            QNetworkRequest request(m_url);
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
            request.setTransferTimeout(int(m_timing.requestLimit.count()));
            m_reply = m_network.post(request, *line);
            // The answer is not needed, only its status; a flood of it is cut off.
            connect(m_reply, &QNetworkReply::readyRead, this, [reply = m_reply] { reply->readAll(); });
            connect(m_reply, &QNetworkReply::downloadProgress, this, [reply = m_reply](qint64 received) {
                if (received > MaxAnswerBytes)
                    reply->abort();
            });
            connect(m_reply, &QNetworkReply::finished, this, &UrlNotifier::answered);
            return;
        }
        const QString aside = m_spool.setAside(m_sending);
        Q_EMIT status(QStringLiteral("%1 Set aside as \"%2\".").arg(line.error(), aside));
        if (aside == m_sending) {
            retryLater(line.error());
            return;
        }
    }
}

void UrlNotifier::answered()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && code >= 200 && code < 300) {
        m_delay = m_timing.firstRetry;
        if (const Result<> removed = m_spool.remove(m_sending); !removed) {
            // Sent again later rather than lost.
            retryLater(removed.error());
            return;
        }
        Q_EMIT delivered();
        sendNext();
        return;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError)
        retryLater(QStringLiteral("no answer within %1 s, or one of more than %2 bytes")
                       .arg(double(m_timing.requestLimit.count()) / 1000.0)
                       .arg(MaxAnswerBytes));
    else if (code > 0)
        retryLater(
            QStringLiteral("the receiver answered %1 %2")
                .arg(code)
                .arg(TerminalText::printable(
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().left(200))));
    else
        retryLater(TerminalText::printable(reply->errorString()));
}

void UrlNotifier::retryLater(const QString &why)
{
    Q_EMIT status(QStringLiteral("Notification to %1 not delivered (%2); trying again in %3 s.")
                      .arg(m_url.toDisplayString(QUrl::RemoveUserInfo), why)
                      .arg(double(m_delay.count()) / 1000.0));
    m_retry.start(m_delay);
    m_delay = std::min(m_delay * 2, m_timing.longestRetry);
}
