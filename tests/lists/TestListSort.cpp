#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "lists/SortKind.h"

#include <QAbstractItemModelTester>
#include <QTest>

Q_DECLARE_METATYPE(SortKind)

class TestListSort : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void sortIsStableAndKeepsRowState();
    void unconvertibleCellsStayPut();
    void scanListColumnClick();
    void recordListColumnClick_data();
    void recordListColumnClick();

private:
    static QStringList column(const ListModel &list, int c);
};

QStringList TestListSort::column(const ListModel &list, int c)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.text(row, c));
    return texts;
}

void TestListSort::compare_data()
{
    QTest::addColumn<SortKind>("kind");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");

    QTest::newRow("number 9 < 10") << SortKind::Number << "9"
                                   << "10" << -1;
    QTest::newRow("number fraction") << SortKind::Number << "2.5"
                                     << "2.25" << 1;
    QTest::newRow("number equal") << SortKind::Number << "7"
                                  << "7.0" << 0;
    QTest::newRow("number not a number") << SortKind::Number << "abc"
                                         << "1" << 0;
    QTest::newRow("number empty") << SortKind::Number << ""
                                  << "1" << 0;
    QTest::newRow("currency both") << SortKind::Number << "$9"
                                   << "$10" << -1;
    // Only the first text decides: both lose their first character.
    QTest::newRow("currency first only") << SortKind::Number << "$5"
                                         << "14" << 1;
    QTest::newRow("currency second only fails") << SortKind::Number << "5"
                                                << "$4" << 0;
    QTest::newRow("date iso") << SortKind::Date << "2024-03-01T10:00:00"
                              << "2024-02-28T23:00:00" << 1;
    QTest::newRow("date with time") << SortKind::Date << "2024-01-05 09:00:00"
                                    << "2024-01-05 10:00:00" << -1;
    QTest::newRow("date equal") << SortKind::Date << "2024-01-05"
                                << "2024-01-05" << 0;
    QTest::newRow("date invalid") << SortKind::Date << "yesterday"
                                  << "2024-01-05" << 0;
    QTest::newRow("exact case counts") << SortKind::ExactText << "abc"
                                       << "ABC" << 1;
    QTest::newRow("exact equal") << SortKind::ExactText << "abc"
                                 << "abc" << 0;
    QTest::newRow("text case ignored") << SortKind::Text << "abc"
                                       << "ABC" << 0;
    QTest::newRow("text order") << SortKind::Text << "apple"
                                << "Banana" << -1;
    QTest::newRow("address last part") << SortKind::Address << "192.168.1.10"
                                       << "192.168.1.9" << 1;
    QTest::newRow("address middle part") << SortKind::Address << "10.2.0.1"
                                         << "10.10.0.1" << -1;
    QTest::newRow("address leading zeros") << SortKind::Address << "192.168.001.5"
                                           << "192.168.1.5" << 0;
    QTest::newRow("IPv6 by its groups' numbers") << SortKind::Address << "2001:2::10"
                                                 << "2001:2:0:0::9" << 1;
    QTest::newRow("IPv6 equal in any spelling") << SortKind::Address << "2001:2::A"
                                                << "2001:0002:0:0:0:0:0:a" << 0;
    QTest::newRow("IPv4 before IPv6") << SortKind::Address << "198.18.5.1"
                                      << "::1" << -1;
    QTest::newRow("unknown kind is text") << SortKind(42) << "abc"
                                          << "ABD" << -1;
}

void TestListSort::compare()
{
    QFETCH(SortKind, kind);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    QCOMPARE(CompareListItems(a, b, kind), expected);
    // Swapped, the result turns round, except where "$" on one side only
    // makes the comparison one-sided.
    if (a.startsWith('$') == b.startsWith('$'))
        QCOMPARE(CompareListItems(b, a, kind), -expected);
}

void TestListSort::sortIsStableAndKeepsRowState()
{
    ScanListModel list;
    QAbstractItemModelTester tester(&list);
    const QStringList ips = {"10.0.0.2", "10.0.0.1", "10.0.0.2", "10.0.0.1"};
    for (int i = 0; i < ips.size(); ++i)
        list.appendScanRow({QString::number(i + 1), ips.at(i), {}, {}, {}, {}, 1, {}});
    list.setChecked(2, true);
    list.setCurrentRow(2);
    const QPersistentModelIndex held = list.index(3, 4);

    list.sortByColumn(ScanListModel::IpColumn, SortKind::Address, Qt::AscendingOrder);
    QCOMPARE(column(list, 0), QStringList({"2", "4", "1", "3"}));
    // The ticked, highlighted row and a persistent index move with their rows.
    QCOMPARE(list.checkedRows(), QList<int>{3});
    QCOMPARE(list.currentRow(), 3);
    QCOMPARE(held.row(), 1);

    list.sortByColumn(ScanListModel::IpColumn, SortKind::Address, Qt::DescendingOrder);
    QCOMPARE(column(list, 0), QStringList({"1", "3", "2", "4"}));
    QCOMPARE(list.sortColumn(), int(ScanListModel::IpColumn));
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
}

void TestListSort::unconvertibleCellsStayPut()
{
    // Cells that do not convert equal everything; the sort neither crashes
    // nor loses rows, and a run of numbers without them is ordered.
    RecordListModel list;
    const QStringList numbers = {"3", "x", "1", "2", "", "10", "9"};
    for (const QString &n : numbers)
        list.appendRow({{n}, false, 0, {}});
    list.sortByColumn(0, SortKind::Number, Qt::AscendingOrder);
    QStringList sorted = column(list, 0);
    QCOMPARE(sorted.size(), numbers.size());
    QStringList all = sorted;
    all.sort();
    QStringList expectedAll = numbers;
    expectedAll.sort();
    QCOMPARE(all, expectedAll);

    RecordListModel plain;
    for (const QString &n : QStringList{"10", "9", "100", "1"})
        plain.appendRow({{n}, false, 0, {}});
    plain.sortByColumn(0, SortKind::Number, Qt::AscendingOrder);
    QCOMPARE(column(plain, 0), QStringList({"1", "9", "10", "100"}));
}

void TestListSort::scanListColumnClick()
{
    ScanListModel list;
    for (const QString &ip : QStringList{"192.168.1.10", "192.168.1.9", "192.168.1.100"})
        list.appendScanRow({{}, ip, {}, QStringLiteral("host-") + ip.section('.', 3), {}, {}, 1, {}});

    // The order flips at each click, starting from ascending.
    list.columnClicked(ScanListModel::IpColumn);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(list, 1), QStringList({"192.168.1.100", "192.168.1.10", "192.168.1.9"}));
    list.columnClicked(ScanListModel::IpColumn);
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(column(list, 1), QStringList({"192.168.1.9", "192.168.1.10", "192.168.1.100"}));

    // Other columns only record the column and the order.
    const QStringList before = column(list, 1);
    list.columnClicked(ScanListModel::HostColumn);
    QCOMPARE(list.sortColumn(), int(ScanListModel::HostColumn));
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(list, 1), before);
}

void TestListSort::recordListColumnClick_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("descending");

    QTest::newRow("number column as numbers")
        << 0 << QStringList{"9", "10", "2"} << QStringList{"10", "9", "2"};
    QTest::newRow("IP column address-aware") << 1 << QStringList{"10.0.0.9", "10.0.0.10", "9.0.0.1"}
                                             << QStringList{"10.0.0.10", "10.0.0.9", "9.0.0.1"};
    QTest::newRow("text column case-sensitive")
        << 3 << QStringList{"abc", "ABC", "abd"} << QStringList{"abd", "abc", "ABC"};
    QTest::newRow("ID column as text") << 10 << QStringList{"9", "10", "2"} << QStringList{"9", "2", "10"};
}

void TestListSort::recordListColumnClick()
{
    QFETCH(int, clicked);
    QFETCH(QStringList, cells);
    QFETCH(QStringList, descending);

    RecordListModel list;
    for (const QString &cell : cells) {
        ListRow row;
        for (int c = 0; c < list.columnCount(); ++c)
            row.cells.append(c == clicked ? cell : QString());
        list.appendRow(row);
    }
    list.columnClicked(clicked);
    QCOMPARE(column(list, clicked), descending);
    list.columnClicked(clicked);
    QStringList ascending = descending;
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(column(list, clicked), ascending);
}

QTEST_GUILESS_MAIN(TestListSort)
#include "TestListSort.moc"
