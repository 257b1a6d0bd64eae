#pragma once

#include <QObject>
#include <QString>

#include "platform/Result.h"

class QLocalServer;
class QLocalSocket;

// One running program per user and desktop session. The first start listens
// on a local socket in the user's private runtime folder whose name holds the
// user id and the display; a later start hands its request to the first over
// that socket and ends, so that there is one tray icon and one automatic
// scanner. A socket left behind by a crashed first start (nobody answers on
// it) is removed and taken over. Both ends ask the kernel who the other is:
// a later start hands over only to a program of its own user, and the first
// ignores requests from other users.
// GUI thread; the object must live as long as the program runs.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // What a later start asks of the running program.
    enum class Request {
        ShowWindow, // a plain start: bring the window to the front
        LeaveAsIs,  // "mini": the program runs, the window stays as it is
    };

    // An empty name: no guard, every start runs.
    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);

    // "<runtime folder>/netkestrel-<uid>", followed by the display when there
    // is one; a failure when the user has no private folder for it.
    static Result<QString> serverNameForUser();

    // True when this is the first start, which then listens for later ones
    // (or, when the socket cannot be made at all, runs without a guard).
    // False when a running program answered and was handed the request.
    bool claim(Request request);
    bool isListening() const;

Q_SIGNALS:
    // A later plain start asked for the window.
    void showRequested();

private:
    bool handOver(Request request);
    bool listen();
    void serve(QLocalSocket *socket);

    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
