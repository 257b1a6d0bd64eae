#include "mail/MailLogin.h"

#include "mail/MailCodecs.h"
#include "mail/ReplyReader.h"
#include "mail/SmtpReply.h"

namespace {

LoginStep send(const QByteArray &line)
{
    return {LoginStep::Kind::Send, line, {}};
}

} // namespace

void MailLogin::start(const QString &username, const QString &password)
{
    m_username = username;
    m_password = password;
    m_step = 0;
}

LoginStep Pop3Login::answer(const QByteArray &reply)
{
    if (ReplyReader::codeOf(reply).toUpper() != "+OK")
        return {LoginStep::Kind::Refused, {}, SmtpReply::shownText(reply)};
    switch (m_step++) {
    case 0:
        return send("USER " + m_username.toLatin1());
    case 1:
        return send("PASS " + m_password.toLatin1());
    case 2:
        return send("QUIT");
    default:
        m_step = 0;
        return {LoginStep::Kind::Done, {}, {}};
    }
}

LoginStep SmtpLogin::answer(const QByteArray &reply)
{
    const QByteArray code = ReplyReader::codeOf(reply);
    if (code == "235")
        return {LoginStep::Kind::Done, {}, {}};
    if (code != "334")
        return {SmtpReply::isInformation(code) ? LoginStep::Kind::Ignore : LoginStep::Kind::Refused, {}, {}};
    // A server that still prompts after the cancel would hold the login for ever.
    if (++m_step > 3)
        return {LoginStep::Kind::Refused, {}, {}};
    const QString prompt =
        MailCodecs::decodeBase64String(QString::fromLatin1(reply.mid(3).trimmed())).toLower();
    // Servers that word the prompts otherwise ask for the user name first.
    const bool user = prompt.contains(QLatin1String("username")) ||
                      (!prompt.contains(QLatin1String("password")) && m_step == 1);
    const bool password = !user && (prompt.contains(QLatin1String("password")) || m_step == 2);
    if (user)
        return send(m_username.toUtf8().toBase64());
    if (password)
        return send(m_password.toUtf8().toBase64());
    return send("*"); // cancels the exchange; the server answers with a failure
}
