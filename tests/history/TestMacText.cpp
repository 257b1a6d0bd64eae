#include <QTest>

#include "history/ChangeEvent.h"
#include "history/HistoryTime.h"
#include "history/MacText.h"

class TestMacText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forms_data()
    {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("local");
        QTest::addColumn<bool>("station");

        QTest::newRow("as the scan shows it") << "00-0A-E4-20-53-55"
                                              << "00-0A-E4-20-53-55" << false << true;
        QTest::newRow("colons, lower case") << "00:0a:e4:20:53:55"
                                            << "00-0A-E4-20-53-55" << false << true;
        QTest::newRow("randomised") << "DA-A1-19-00-00-01"
                                    << "DA-A1-19-00-00-01" << true << true;
        QTest::newRow("locally administered 02") << "02-00-5E-10-00-01"
                                                 << "02-00-5E-10-00-01" << true << true;
        QTest::newRow("group address") << "01-00-5E-00-00-01"
                                       << "01-00-5E-00-00-01" << false << false;
        QTest::newRow("all zero") << "00-00-00-00-00-00"
                                  << "00-00-00-00-00-00" << false << false;
        QTest::newRow("not a MAC") << "zz-0a-e4-20-53-55"
                                   << "ZZ-0A-E4-20-53-55" << false << false;
        QTest::newRow("too short") << "00-0A-E4-20-53"
                                   << "00-0A-E4-20-53" << false << false;
        QTest::newRow("hyphens, lower case") << "00-0a-e4-20-53-55"
                                             << "00-0A-E4-20-53-55" << false << true;
        QTest::newRow("separators mixed") << "00-0A-E4:20-53-55"
                                          << "00-0A-E4-20-53-55" << false << true;
        QTest::newRow("blanks around") << " 00-0A-E4-20-53-55 "
                                       << "00-0A-E4-20-53-55" << false << true;
        QTest::newRow("no hex digit in the hyphen form") << "00-0A-E4-20-53-5G"
                                                         << "00-0A-E4-20-53-5G" << false << false;
    }

    void forms()
    {
        QFETCH(QString, mac);
        QFETCH(QString, key);
        QFETCH(bool, local);
        QFETCH(bool, station);
        QCOMPARE(MacText::key(mac), key);
        QCOMPARE(MacText::isLocallyAdministered(mac), local);
        QCOMPARE(MacText::isStationAddress(mac), station);
        QCOMPARE(MacText::shown(mac).endsWith(QLatin1String(" (randomised)")), local);
    }

    // Every kind has its own word, and the word reads back as the kind.
    void kindWords()
    {
        QSet<QString> words;
        for (ChangeEvent::Kind kind : ChangeEvent::allKinds()) {
            const QString word = ChangeEvent::kindWord(kind);
            QVERIFY(!word.isEmpty());
            QVERIFY(!words.contains(word));
            words.insert(word);
            QCOMPARE(ChangeEvent::kindFromWord(word), std::optional(kind));
        }
        QCOMPARE(ChangeEvent::kindFromWord(QStringLiteral("host")), std::nullopt);
    }

    // A randomised MAC is labelled wherever an event shows one.
    void eventTextsLabelRandomisedMacs()
    {
        for (ChangeEvent::Kind kind : ChangeEvent::allKinds()) {
            ChangeEvent event;
            event.kind = kind;
            event.ipAddress = QStringLiteral("198.18.104.10");
            event.macAddress = QStringLiteral("06-0A-E4-00-00-0A");
            event.otherMac = QStringLiteral("00-0A-E4-00-00-0B");
            event.otherTime = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
            const QString text = event.text();
            QVERIFY2(text.contains(QLatin1String("[06-0A-E4-00-00-0A (randomised)]")), qPrintable(text));
            QVERIFY2(!text.contains(QLatin1String("00-0A-E4-00-00-0B (randomised)")), qPrintable(text));
            QVERIFY(text.contains(event.ipAddress));
        }
    }

    void userTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // empty: refused

        QTest::newRow("date") << "2026-12-08"
                              << "2026-12-08T00:00:00Z";
        QTest::newRow("date and time, UTC") << "2026-12-08T21:04:38Z"
                                            << "2026-12-08T21:04:38Z";
        QTest::newRow("no offset is UTC") << "2026-12-08T21:04:38"
                                          << "2026-12-08T21:04:38Z";
        QTest::newRow("offset") << "2026-12-08T23:04:38+02:00"
                                << "2026-12-08T21:04:38Z";
        QTest::newRow("not a date") << "yesterday" << QString();
        QTest::newRow("no such day") << "2026-02-30" << QString();
    }

    void userTimes()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        const std::optional<QDateTime> when = HistoryTime::parseUserTime(text);
        QCOMPARE(when.has_value(), !stored.isEmpty());
        if (when) {
            QCOMPARE(HistoryTime::text(*when), stored);
            QCOMPARE(HistoryTime::fromText(stored), *when);
        }
    }
};

QTEST_GUILESS_MAIN(TestMacText)
#include "TestMacText.moc"
