#pragma once

#include <QByteArray>
#include <QString>

// What the sender reads in a whole reply of a mail server (ReplyReader):
// its code's meaning, the extensions an EHLO reply offers, and its text as
// the user sees it.
namespace SmtpReply {

// 220, 221, 250 and 251: the command was accepted.
bool isAccepted(const QByteArray &code);
// 211 and 214: help and status, not an answer to the command.
bool isInformation(const QByteArray &code);

// A line of the EHLO reply that names AUTH with LOGIN among its mechanisms
// ("250-AUTH LOGIN PLAIN", also the older "250-AUTH=LOGIN").
bool offersLogin(const QByteArray &reply);
bool offersStartTls(const QByteArray &reply);

// The reply for a message of the sender: trimmed, its lines joined with
// CR LF as the sender's messages are, and any control character the server
// put in a line (NUL, escape sequences, a lone CR) shown as a visible escape,
// since the text reaches a terminal, a status line and the report log.
QString shownText(const QByteArray &reply);

} // namespace SmtpReply
