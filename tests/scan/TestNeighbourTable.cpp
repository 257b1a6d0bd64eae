#include <QTemporaryFile>
#include <QTest>

#include "scan/NeighbourTable.h"

class TestNeighbourTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void macText_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mac");
        QTest::newRow("complete") << "198.18.7.10"
                                  << "02-0A-E4-00-07-0A";
        QTest::newRow("permanent") << "198.18.7.11"
                                   << "02-0A-E4-00-07-0B";
        QTest::newRow("incomplete") << "198.18.7.12"
                                    << "";
        QTest::newRow("prefix of another address") << "198.18.7.1"
                                                   << "";
        QTest::newRow("absent") << "198.18.7.99"
                                << "";
    }

    void macText()
    {
        QTemporaryFile table;
        QVERIFY(table.open());
        table.write("IP address       HW type     Flags       HW address            Mask     Device\n"
                    "198.18.7.12      0x1         0x0         00:00:00:00:00:00     *        eth0\n"
                    "198.18.7.10      0x1         0x2         02:0a:e4:00:07:0a     *        eth0\n"
                    "198.18.7.11      0x1         0x6         02:0a:e4:00:07:0b     *        eth0\n"
                    "198.18.7.100     0x1         0x2         02:0a:e4:00:07:64     *        eth0\n");
        table.close();
        QFETCH(QString, address);
        const quint32 number = address.section(QLatin1Char('.'), 3).toUInt() | 0xC6120700;
        QTEST(NeighbourTable::macTextFrom(table.fileName(), number), "mac");
    }
};

QTEST_GUILESS_MAIN(TestNeighbourTable)
#include "TestNeighbourTable.moc"
