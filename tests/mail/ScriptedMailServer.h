#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// An SMTP server on 127.0.0.1 that answers from a script, for the cases a
// real server does not produce at will: replies cut into pieces, unknown
// replies, prompts worded otherwise, silence. Every reply is a list of pieces
// that are written 5 ms apart, so that the client sees them arrive apart.
// One client at a time; what it sent is kept for the test to read.
class ScriptedMailServer : public QObject
{
    Q_OBJECT

public:
    using Pieces = QList<QByteArray>;

    ScriptedMailServer();
    quint16 port() const { return m_server.serverPort(); }

    // The script. A command line is answered by the first entry of `replies`
    // whose key it starts with (compared upper-cased); an entry with no
    // pieces is not answered at all. Lines during the login are answered
    // from loginReplies in turn, after the reply to "AUTH LOGIN".
    Pieces greeting{"220 scripted.example.com ready\r\n"};
    QMap<QByteArray, Pieces> replies;
    QList<Pieces> loginReplies;
    Pieces dataReply{"250 2.0.0 queued\r\n"};

    // What the client sent: its command lines, and the DATA parts as they
    // came over the wire (dot-stuffed, without the closing "." line).
    QList<QByteArray> commands;
    QList<QByteArray> messages;
    int connections = 0;

    // Splits a text into pieces of `size` bytes.
    static Pieces cut(const QByteArray &text, int size);

    // Pieces that are not written as such. Hangup closes the connection;
    // Flood writes floodText again and again, as fast as the client takes
    // it, until the client goes, counting the bytes in floodedBytes.
    static const QByteArray Hangup;
    static const QByteArray Flood;
    QByteArray floodText;
    qint64 floodedBytes = 0;
    // The time between two pieces (5 ms).
    void setPieceInterval(int ms) { m_writer.setInterval(ms); }

private:
    void accept();
    void readClient();
    void answer(const QByteArray &line);
    void queue(const Pieces &pieces);
    void writeNext();
    void flood();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_buffer;
    bool m_inData = false;
    int m_loginStep = -1;
    QList<QByteArray> m_outgoing;
    QTimer m_writer;
};
