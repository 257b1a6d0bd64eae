#pragma once

#include <QByteArray>
#include <QString>

// The encodings of message parts. Pure functions.
namespace MailCodecs {

// Output characters per base64 line (19 groups of four).
constexpr int Base64LineLength = 76;
// Input bytes per uuencoded line.
constexpr int UuLineBytes = 45;
// Attachments are read and encoded in pieces of whole lines: 200 base64 lines,
// 253 uuencoded lines. Encoding piece after piece gives the same text as
// encoding the whole file at once.
constexpr int Base64PieceBytes = 11400;
constexpr int UuPieceBytes = 11385;

// Standard base64, the last group filled up with "="; CR LF after every
// Base64LineLength characters and one at the end unless the text already
// ends with one. Empty input gives an empty text.
QByteArray base64Lines(const QByteArray &data);

// Lines of at most UuLineBytes bytes: a length character, the groups of three
// bytes as four characters of the uuencode table ("`" for 0, else code 32 + n),
// CR LF. No "begin" or "end" lines.
QByteArray uuencodeLines(const QByteArray &data);
// The lines between the last data line and "end": a zero-length line.
QByteArray uuencodeClosing();

// Base64 back to its text (Latin-1); characters outside the alphabet are skipped.
QString decodeBase64String(const QString &text);

} // namespace MailCodecs
