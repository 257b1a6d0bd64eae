#pragma once

#include <QByteArray>
#include <QString>

// The two logins of the sender, as dialogues that read one whole reply of the
// server (ReplyReader) at a time and say what to do next. They neither send
// nor wait: the sender writes their lines and keeps the time.

// What a login asks of the sender after a reply.
struct LoginStep
{
    enum class Kind {
        Send,    // write `line` (CR LF is the sender's) and wait for the answer
        Ignore,  // not an answer to the login: keep waiting
        Done,    // the server took the login
        Refused, // the login ends here; `message` is the server's reply when it gave one
    };
    Kind kind = Kind::Ignore;
    QByteArray line;
    QString message;
};

// What both logins keep: the credentials and the replies answered so far.
class MailLogin
{
public:
    void start(const QString &username, const QString &password);

protected:
    QString m_username;
    QString m_password;
    int m_step = 0;
};

// The POP3 login some servers ask for before they take mail over SMTP: USER,
// PASS and QUIT, each after a "+OK"; the "+OK" to QUIT ends it. Any other
// reply refuses it with the reply's text.
class Pop3Login : public MailLogin
{
public:
    LoginStep answer(const QByteArray &reply);
};

// AUTH LOGIN: the server prompts for the user name and the password in
// base64, and 235 takes the login. A prompt that names neither is taken as
// the user name when it is the first and as the password when it is the
// second; any later one is cancelled with "*".
class SmtpLogin : public MailLogin
{
public:
    LoginStep answer(const QByteArray &reply);
};
