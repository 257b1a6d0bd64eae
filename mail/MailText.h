#pragma once

#include <QByteArray>
#include <QString>

// Texts of a message as the sender puts them on the wire. Pure functions.
namespace MailText {

// Longest line of a message (without its CR LF), as SMTP allows.
constexpr int MaxLineLength = 998;
// Characters of a header text per encoded word.
constexpr int EncodedWordLength = 42;

struct PreparedMessage
{
    QString text;          // lines joined with CR LF
    bool eightBit = false; // some character is above code 126
};

// Splits the text into lines at CR LF (at CR when it holds no CR LF, and at
// a lone LF too), breaks every line longer than MaxLineLength after its last
// blank within the first MaxLineLength characters (at MaxLineLength when
// there is none), and joins the lines with CR LF. Dot-stuffing is left to
// the DATA stream, which applies it to every line it sends.
PreparedMessage prepareMessage(const QString &text);

// True when some character has a code above 126.
bool hasEightBit(const QString &text);

// The character set a text is sent in: "iso-8859-1" while every character
// fits in it, else "utf-8".
QByteArray charsetFor(const QString &text);
QByteArray encodeText(const QString &text);

// A header text: unchanged when it is 7-bit; else cut into pieces of
// EncodedWordLength characters, each written as "=?ISO-8859-1?B?" + base64 +
// "?=" (UTF-8 in place of ISO-8859-1 for characters beyond it), joined with
// CR LF and a tab.
QString encodeHeaderWords(const QString &text);

// A display name for From, To and Cc: its encoded words, or the plain name
// in double quotes. An empty name gives the address in double quotes.
QString displayName(const QString &name, const QString &address);

} // namespace MailText
