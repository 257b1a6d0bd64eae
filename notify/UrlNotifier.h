#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

#include "notify/NotifySpool.h"
#include "platform/Result.h"

class QNetworkReply;

// Posts each line to an http or https address (Content-Type
// application/json; https checks the server against the system's trust
// store, Qt's default). Every line goes to the spool first and leaves it only
// when the receiver answered 2xx, so the lines arrive in the order they came
// and none is lost while the receiver is down, nor when watch stops or is
// killed: the next notifier on the same data folder sends what is left. A
// failed post is tried again after a pause that doubles from firstRetry up
// to longestRetry; a new line never jumps that pause. A redirection counts as
// a failure (a POST is not re-sent to an address the receiver names).
class UrlNotifier : public QObject
{
    Q_OBJECT

public:
    struct Timing
    {
        std::chrono::milliseconds firstRetry{1000};
        std::chrono::milliseconds longestRetry{5 * 60 * 1000};
        std::chrono::milliseconds requestLimit{30000};
    };
    // What a receiver's answer may hold; more is not read.
    static constexpr qint64 MaxAnswerBytes = 1024 * 1024;

    // The text of --notify-url: an http or https URL with a host.
    static Result<QUrl> parseUrl(const QString &text);

    UrlNotifier(const QUrl &url, const QString &dataFolder, Timing timing, QObject *parent = nullptr);
    UrlNotifier(const QUrl &url, const QString &dataFolder, QObject *parent = nullptr)
        : UrlNotifier(url, dataFolder, Timing{}, parent)
    {
    }

    // Keeps the line and sends it after those waiting. Fails when the spool
    // cannot take it (full, or not writable).
    Result<> notify(const QByteArray &line);
    // Sends what earlier runs left in the spool.
    void start();

    const NotifySpool &spool() const { return m_spool; }

Q_SIGNALS:
    // A failure for the log, in the program's words.
    void status(const QString &text);
    // A line that the receiver took.
    void delivered();

private:
    void sendNext();
    void answered();
    void retryLater(const QString &why);

    QUrl m_url;
    NotifySpool m_spool;
    Timing m_timing;
    std::chrono::milliseconds m_delay;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QString m_sending; // the file of the line on its way
    QTimer m_retry;
};
