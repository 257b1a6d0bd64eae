#include <QTemporaryDir>
#include <QTest>

#include "mail/DotStuffer.h"
#include "mail/MailAddress.h"
#include "mail/MailCodecs.h"
#include "mail/MailDate.h"
#include "mail/MailText.h"
#include "mail/MessageHeaders.h"
#include "mail/MimeMessage.h"
#include "mail/ReplyReader.h"
#include "mail/SendMailProperties.h"

// The pure parts of the mail sender: checks, text preparation, encodings,
// dates and the reading of server replies.
class TestMailText : public QObject
{
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
    void everyTopLevelNameIsAccepted();
    void longLinesAreBroken_data();
    void longLinesAreBroken();
    void eightBitFlag();
    void dotStuffing_data();
    void dotStuffing();
    void headerWords_data();
    void headerWords();
    void base64Lines_data();
    void base64Lines();
    void uuencode();
    void timeZoneSuffix_data();
    void timeZoneSuffix();
    void dateHeader();
    void mimeBoundary();
    void repliesWhateverTheSplit();
    void severalRepliesInOnePiece();
    void multipartHeaders();
    void htmlHeadersWithoutMime();
    void embeddedAttachments_data();
    void embeddedAttachments();
    void attachmentStream_data();
    void attachmentStream();
};

void TestMailText::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "admin@example.com" << true;
    QTest::newRow("two labels ending in NET") << "noc@example.net" << true;
    QTest::newRow("lower-case country") << "a@mail.example.de" << true;
    QTest::newRow("dotted IPv4 host") << "a@198.18.7.1" << true;
    QTest::newRow("two @") << "a@b@example.com" << false;
    QTest::newRow("no @") << "example.com" << false;
    QTest::newRow("one label") << "root@localhost" << false;
    QTest::newRow("unknown last label") << "a@example.invalid" << false;
    QTest::newRow("empty host") << "a@" << false;
    QTest::newRow("empty last label") << "a@example." << false;
    QTest::newRow("blank across names") << "a@example.M U" << false;
    QTest::newRow("empty") << "" << false;
}

void TestMailText::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(MailAddress::isValidEmailAddress(address), valid);
}

void TestMailText::everyTopLevelNameIsAccepted()
{
    const QStringList names = MailAddress::topLevelNames().split(QLatin1Char(' '));
    QCOMPARE(names.size(), 14 + 243);
    for (const QString &name : names) {
        QVERIFY2(MailAddress::isValidHostName(QStringLiteral("mail.example.") + name.toLower()),
                 qPrintable(name));
        QVERIFY2(!MailAddress::isValidHostName(name), qPrintable(name)); // one label
    }
}

void TestMailText::longLinesAreBroken_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("lengths");
    QTest::newRow("2000 without blanks") << QString(2000, QLatin1Char('x')) << QList<int>{998, 998, 4};
    QTest::newRow("exactly 998") << QString(998, QLatin1Char('x')) << QList<int>{998};
    const QString words = QString(600, QLatin1Char('a')) + QLatin1Char(' ') + QString(600, QLatin1Char('b'));
    QTest::newRow("after the last blank") << words << QList<int>{601, 600};
    QTest::newRow("CR only") << QStringLiteral("one\rtwo\rthree") << QList<int>{3, 3, 5};
    QTest::newRow("CR LF") << QStringLiteral("one\r\n\r\nthree") << QList<int>{3, 0, 5};
}

void TestMailText::longLinesAreBroken()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, lengths);
    const QStringList lines = MailText::prepareMessage(text).text.split(QStringLiteral("\r\n"));
    QList<int> got;
    for (const QString &line : lines)
        got.append(int(line.size()));
    QCOMPARE(got, lengths);
    QCOMPARE(lines.join(QString()).remove(QLatin1Char(' ')),
             QString(text).remove(QRegularExpression("[ \r\n]")));
}

void TestMailText::eightBitFlag()
{
    QVERIFY(!MailText::prepareMessage(QStringLiteral("plain ~ text")).eightBit);
    QVERIFY(MailText::prepareMessage(QStringLiteral("caf\u00e9")).eightBit);
    QVERIFY(MailText::prepareMessage(QStringLiteral("\u007f")).eightBit);
    QCOMPARE(MailText::charsetFor(QStringLiteral("caf\u00e9")), QByteArray("iso-8859-1"));
    QCOMPARE(MailText::charsetFor(QStringLiteral("\u20ac 5")), QByteArray("utf-8"));
}

void TestMailText::dotStuffing_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("first line") << QList<QByteArray>{".hidden\r\n"} << QByteArray("..hidden\r\n");
    QTest::newRow("middle line") << QList<QByteArray>{"a\r\n.\r\nb.\r\n"} << QByteArray("a\r\n..\r\nb.\r\n");
    QTest::newRow("line begun in an earlier piece")
        << QList<QByteArray>{"abc", ".def\r\n", ".x\r\n"} << QByteArray("abc.def\r\n..x\r\n");
    QTest::newRow("dot after a piece ending a line")
        << QList<QByteArray>{"a\r\n", ".b\r\n"} << QByteArray("a\r\n..b\r\n");
    // A uuencoded line of 14 bytes begins with its length character ".".
    QTest::newRow("uuencoded 14 bytes") << QList<QByteArray>{MailCodecs::uuencodeLines(QByteArray(14, 'z'))}
                                        << "." + MailCodecs::uuencodeLines(QByteArray(14, 'z'));
}

void TestMailText::dotStuffing()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, wire);
    DotStuffer stuffer;
    QByteArray out;
    for (const QByteArray &piece : pieces)
        out += stuffer.stuff(piece);
    QCOMPARE(out, wire);
    QVERIFY(stuffer.atLineStart());
}

void TestMailText::headerWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("7-bit stays") << QStringLiteral("Daily findings") << QString();
    QTest::newRow("Latin-1")
        << QStringLiteral("R\u00e9sultats de l'analyse du r\u00e9seau local, semaine 49 et suivantes")
        << QStringLiteral("=?ISO-8859-1?B?");
    QTest::newRow("beyond Latin-1") << QStringLiteral("\u20ac price") << QStringLiteral("=?UTF-8?B?");
}

void TestMailText::headerWords()
{
    QFETCH(QString, text);
    QFETCH(QString, prefix);
    const QString encoded = MailText::encodeHeaderWords(text);
    if (prefix.isEmpty()) {
        QCOMPARE(encoded, text);
        QCOMPARE(MailText::displayName(text, QStringLiteral("a@b.com")),
                 QLatin1Char('"') + text + QLatin1Char('"'));
        return;
    }
    const QStringList words = encoded.split(QStringLiteral("\r\n\t"));
    QCOMPARE(words.size(), (text.size() + MailText::EncodedWordLength - 1) / MailText::EncodedWordLength);
    QString decoded;
    for (const QString &word : words) {
        QVERIFY(word.startsWith(prefix));
        QVERIFY(word.endsWith(QStringLiteral("?=")));
        const QByteArray bytes = QByteArray::fromBase64(word.mid(prefix.size()).chopped(2).toLatin1());
        const QString piece = prefix.contains(QLatin1String("UTF")) ? QString::fromUtf8(bytes)
                                                                    : QString::fromLatin1(bytes);
        QVERIFY(piece.size() <= MailText::EncodedWordLength);
        decoded += piece;
    }
    QCOMPARE(decoded, text);
    QCOMPARE(MailText::displayName(text, QStringLiteral("a@b.com")), encoded);
}

void TestMailText::base64Lines_data()
{
    QTest::addColumn<int>("size");
    for (const int size : {0, 1, 2, 3, 56, 57, 58, 114, MailCodecs::Base64PieceBytes, 20000})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestMailText::base64Lines()
{
    QFETCH(int, size);
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 7 + 3);
    const QByteArray text = MailCodecs::base64Lines(data);
    if (size == 0) {
        QVERIFY(text.isEmpty());
        return;
    }
    QVERIFY(text.endsWith("\r\n"));
    QVERIFY(!text.endsWith("\r\n\r\n"));
    const QList<QByteArray> lines = text.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = i + 1 < lines.size() ? lines.at(i).chopped(1) : lines.at(i);
        QVERIFY(i + 1 == lines.size() ? line.size() <= 76 : line.size() == 76);
    }
    QCOMPARE(QByteArray::fromBase64(text), data);
    QCOMPARE(MailCodecs::decodeBase64String(QString::fromLatin1(data.left(40).toBase64())),
             QString::fromLatin1(data.left(40)));
}

void TestMailText::uuencode()
{
    // The classic example of the format and the zero-length character.
    QCOMPARE(MailCodecs::uuencodeLines("Cat"), QByteArray("#0V%T\r\n"));
    QCOMPARE(MailCodecs::uuencodeLines(QByteArray(3, '\0')), QByteArray("#````\r\n"));
    QCOMPARE(MailCodecs::uuencodeClosing(), QByteArray("`\r\n"));
    // 45 bytes a line, 61 characters; piece by piece the same as at once.
    QByteArray data(MailCodecs::UuPieceBytes * 2 + 14, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 13);
    const QByteArray whole = MailCodecs::uuencodeLines(data);
    QCOMPARE(MailCodecs::uuencodeLines(data.left(MailCodecs::UuPieceBytes)) +
                 MailCodecs::uuencodeLines(data.mid(MailCodecs::UuPieceBytes)),
             whole);
    const QList<QByteArray> lines = whole.chopped(2).split('\n');
    QCOMPARE(lines.first(), QByteArray("M") + lines.first().mid(1));
    QCOMPARE(lines.first().size(), 61 + 1); // with its CR
    QVERIFY(lines.last().startsWith('.'));  // 14 bytes
}

void TestMailText::timeZoneSuffix_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("UTC+5:30") << 19800 << "+0530";
    QTest::newRow("UTC-3:30") << -12600 << "-0330";
    QTest::newRow("UTC") << 0 << "+0000";
    QTest::newRow("UTC+8") << 28800 << "+0800";
    QTest::newRow("UTC-0:30") << -1800 << "-0030";
    QTest::newRow("UTC+14") << 50400 << "+1400";
}

void TestMailText::timeZoneSuffix()
{
    QFETCH(int, offset);
    QFETCH(QString, suffix);
    QCOMPARE(MailDate::timeZoneSuffix(offset), suffix);
}

void TestMailText::dateHeader()
{
    const QDateTime time(QDate(2026, 12, 7), QTime(9, 5, 3));
    QCOMPARE(MailDate::dateHeader(time, QStringLiteral("+0800")),
             QStringLiteral("Mon, 7 Dec 2026 09:05:03 +0800"));
    QCOMPARE(MailDate::dateHeader(QDateTime(QDate(2027, 1, 31), QTime(23, 59, 59)), QStringLiteral("-0330")),
             QStringLiteral("Sun, 31 Jan 2027 23:59:59 -0330"));
}

void TestMailText::mimeBoundary()
{
    // 1 January 2000 is day 36526 (0x8EAE); noon is half a day.
    QCOMPARE(MailDate::mimeBoundary(QDateTime(QDate(2000, 1, 1), QTime(12, 0))),
             QStringLiteral("----_=_NextPart_000_00008EAE.02FAF080"));
    QCOMPARE(MailDate::mimeBoundary(QDateTime(QDate(1899, 12, 30), QTime(0, 0))),
             QStringLiteral("----_=_NextPart_000_00000000.00000000"));
}

void TestMailText::repliesWhateverTheSplit()
{
    const QByteArray wire = "250-mail.example.com\r\n250-AUTH LOGIN PLAIN\r\n250-8BITMIME\r\n250 HELP\r\n";
    for (int cut1 = 0; cut1 <= wire.size(); ++cut1) {
        for (int cut2 = cut1; cut2 <= wire.size(); cut2 += 7) {
            ReplyReader reader;
            QList<QByteArray> replies = *reader.feed(wire.left(cut1));
            replies += *reader.feed(wire.mid(cut1, cut2 - cut1));
            replies += *reader.feed(wire.mid(cut2));
            QCOMPARE(replies.size(), 1);
            QCOMPARE(replies.first(), wire.chopped(2));
        }
    }
}

void TestMailText::severalRepliesInOnePiece()
{
    ReplyReader reader;
    QCOMPARE(*reader.feed("220 ready\r\n250 ok\n+OK pop"), (QList<QByteArray>{"220 ready", "250 ok"}));
    QCOMPARE(*reader.feed(" ready\r\n"), QList<QByteArray>{"+OK pop ready"});
    QCOMPARE(ReplyReader::codeOf("354 go ahead"), QByteArray("354"));
    // A line that never ends does not grow without bound: it is refused, and
    // the reader holds nothing of it.
    QVERIFY(!reader.feed(QByteArray(ReplyReader::MaxReplyBytes + 1, 'x')));
    QCOMPARE(reader.heldBytes(), 0);
}

void TestMailText::multipartHeaders()
{
    MessageHeaders::Envelope e;
    e.from = QStringLiteral("kestrel@example.com");
    e.to = MessageHeaders::addressList({QStringLiteral("a@example.com"), QStringLiteral("b@example.com")},
                                       {QStringLiteral("Ann")});
    e.subject = QStringLiteral("Report");
    e.date = QStringLiteral("Mon, 7 Dec 2026 09:05:03 +0800");
    e.priority = 1;
    e.priorityWord = QStringLiteral("High");
    e.receipt = true;
    e.multipart = true;
    e.boundary = QStringLiteral("----_=_NextPart_000_00008EAE.02FAF080");
    const QString expected = QStringLiteral(
        "From: \"kestrel@example.com\" <kestrel@example.com>\r\n"
        "To: \"Ann\" <a@example.com>,\r\n\t\"b@example.com\" <b@example.com>\r\n"
        "Subject: Report\r\n"
        "Date: Mon, 7 Dec 2026 09:05:03 +0800\r\n"
        "MIME-Version: 1.0\r\n"
        "X-Priority: 1\r\n"
        "X-MSMail-Priority: High\r\n"
        "Disposition-Notification-To: \"kestrel@example.com\" <kestrel@example.com>\r\n"
        "Content-Type: multipart/mixed;\r\n"
        "\tboundary=\"----_=_NextPart_000_00008EAE.02FAF080\"\r\n"
        "\r\n"
        "This is a multi-part message in MIME format.\r\n"
        "\r\n"
        "------_=_NextPart_000_00008EAE.02FAF080\r\n"
        "Content-Type: text/plain;\r\n"
        "\tcharset=\"iso-8859-1\"\r\n"
        "Content-Transfer-Encoding: 7bit\r\n");
    QCOMPARE(MessageHeaders::build(e), expected);
    QCOMPARE(MessageHeaders::attachmentPart(e.boundary, QStringLiteral("r.TXT"), QString(), true),
             QStringLiteral("------_=_NextPart_000_00008EAE.02FAF080\r\n"
                            "Content-Type: application/octet-stream;\r\n\tname=\"r.TXT\"\r\n"
                            "Content-Transfer-Encoding: base64\r\n"
                            "Content-Disposition: attachment;\r\n\tfilename=\"r.TXT\"\r\n"
                            "Content-ID: <r.TXT>\r\n\r\n"));
}

void TestMailText::htmlHeadersWithoutMime()
{
    MessageHeaders::Envelope e;
    e.from = QStringLiteral("k@example.com");
    e.fromDisplayName = QStringLiteral("Kestrel");
    e.to = QStringLiteral("\"t@example.com\" <t@example.com>");
    e.cc = QStringLiteral("\"c@example.com\" <c@example.com>");
    e.replyTo = QStringLiteral("r@example.com");
    e.date = QStringLiteral("D");
    e.encodeType = 1;
    e.asHtml = true;
    QCOMPARE(MessageHeaders::build(e), QStringLiteral("From: \"Kestrel\" <k@example.com>\r\n"
                                                      "To: \"t@example.com\" <t@example.com>\r\n"
                                                      "Cc: \"c@example.com\" <c@example.com>\r\n"
                                                      "Subject: \r\n"
                                                      "Reply-to: <r@example.com>\r\n"
                                                      "Date: D\r\n"));
    e.encodeType = 0;
    e.eightBit = true;
    e.contentBase = QStringLiteral("http://intranet/");
    const QString html = MessageHeaders::build(e);
    QVERIFY(html.endsWith(QStringLiteral("Content-Type: text/html;\r\n\tcharset=\"iso-8859-1\"\r\n"
                                         "Content-Transfer-Encoding: 8bit\r\n"
                                         "Content-Base: \"http://intranet/\"\r\n")));
}

namespace {

const QDateTime stamp(QDate(2026, 12, 7), QTime(9, 5, 3));

} // namespace

void TestMailText::embeddedAttachments_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("asHtml");
    QTest::addColumn<QString>("sent");
    const QString img = QStringLiteral("<img src=\"logo.PNG\">");
    QTest::newRow("src, any case") << img << true << QStringLiteral("<img src=\"cid:Logo.png\">");
    QTest::newRow("angle brackets") << QStringLiteral("<Logo.png>") << true
                                    << QStringLiteral("<cid:Logo.png>");
    QTest::newRow("unquoted, blank") << QStringLiteral("a= Logo.png b") << true
                                     << QStringLiteral("a= cid:Logo.png b");
    QTest::newRow("name in the text") << QStringLiteral("see Logo.png") << true << QString();
    QTest::newRow("longer name") << QStringLiteral("src=\"Logo.pngs\"") << true << QString();
    QTest::newRow("plain text") << img << false << QString();
}

void TestMailText::embeddedAttachments()
{
    QFETCH(QString, body);
    QFETCH(bool, asHtml);
    QFETCH(QString, sent);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Logo.png")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    MessageHeaders::Envelope e;
    e.asHtml = asHtml;
    MimeMessage message;
    message.prepare(e, body, {file.fileName()}, stamp);
    const bool related = !sent.isEmpty();
    QCOMPARE(message.body(), related ? sent : body);
    QCOMPARE(message.head(QStringLiteral("D")).contains("multipart/related"), related);
    QCOMPARE(message.nextIsEmbedded(), related);
    const Result<QByteArray> opening = message.openNextAttachment();
    QVERIFY(opening);
    QCOMPARE(opening->contains("Content-ID: <Logo.png>"), related);
}

void TestMailText::attachmentStream_data()
{
    QTest::addColumn<int>("encodeType");
    QTest::addColumn<QByteArrayList>("pieces");
    const QByteArray boundary = "--" + MailDate::mimeBoundary(stamp).toLatin1();
    QTest::newRow("MIME") << 0
                          << QByteArrayList{
                                 boundary +
                                     "\r\nContent-Type: text/plain;\r\n\tname=\"c.txt\"\r\n"
                                     "Content-Transfer-Encoding: base64\r\n"
                                     "Content-Disposition: attachment;\r\n\tfilename=\"c.txt\"\r\n\r\n",
                                 "Q2F0\r\n", "\r\n", boundary + "--\r\n"};
    QTest::newRow("uuencoded") << 1 << QByteArrayList{"begin 600 c.txt\r\n", "#0V%T\r\n", "`\r\nend\r\n", ""};
}

void TestMailText::attachmentStream()
{
    QFETCH(int, encodeType);
    QFETCH(QByteArrayList, pieces);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("c.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Cat") == 3);
    file.close();
    MessageHeaders::Envelope e;
    e.encodeType = encodeType;
    MimeMessage message;
    message.prepare(e, QString(), {file.fileName()}, stamp);
    QCOMPARE(message.nextName(), QStringLiteral("c.txt"));
    const Result<QByteArray> opening = message.openNextAttachment();
    QVERIFY(opening);
    QCOMPARE(QByteArrayList({*opening, message.readPiece(), message.readPiece(), message.ending()}), pieces);
    QVERIFY(message.attachmentsDone());

    QVERIFY(file.remove());
    message.prepare(e, QString(), {file.fileName()}, QDateTime());
    QCOMPARE(message.openNextAttachment().error(), QLatin1String(SendMailProperties::AttachmentMissing));
}

QTEST_GUILESS_MAIN(TestMailText)
#include "TestMailText.moc"
