#include "lists/ScanListModel.h"

#include <QTest>

class TestListSelection : public QObject
{
    Q_OBJECT

private slots:
    void removeWalk_data();
    void removeWalk();
    void selectAllUnselectInvert();
    void emptyList();
};

void TestListSelection::removeWalk_data()
{
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("rows 2 and 3 of 4") << QList<int>{1, 2} << QStringList{"1", "4"};
    QTest::newRow("adjacent at the end") << QList<int>{2, 3} << QStringList{"1", "2"};
    QTest::newRow("every row") << QList<int>{0, 1, 2, 3} << QStringList{};
    QTest::newRow("alternate") << QList<int>{0, 2} << QStringList{"2", "4"};
    QTest::newRow("none") << QList<int>{} << QStringList{"1", "2", "3", "4"};
}

void TestListSelection::removeWalk()
{
    QFETCH(QList<int>, ticked);
    QFETCH(QStringList, left);

    ScanListModel list;
    for (int i = 1; i <= 4; ++i)
        list.appendScanRow({QString::number(i), QStringLiteral("10.0.0.%1").arg(i), {}, {}, {}, {}, 1, {}});
    for (int row : ticked)
        list.setChecked(row, true);
    QCOMPARE(list.removeChecked(), int(ticked.size()));
    QStringList numbers;
    for (int row = 0; row < list.count(); ++row)
        numbers.append(list.text(row, 0));
    QCOMPARE(numbers, left);
}

void TestListSelection::selectAllUnselectInvert()
{
    ScanListModel list;
    for (int i = 1; i <= 3; ++i)
        list.appendScanRow({QString::number(i), {}, {}, {}, {}, {}, 1, {}});
    list.setChecked(1, true);
    list.invertChecked();
    QCOMPARE(list.checkedRows(), (QList<int>{0, 2}));
    list.setAllChecked(true);
    QCOMPARE(list.checkedRows(), (QList<int>{0, 1, 2}));
    list.setAllChecked(false);
    QVERIFY(list.checkedRows().isEmpty());
    QCOMPARE(list.data(list.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.currentRow(), -1);
}

void TestListSelection::emptyList()
{
    ScanListModel list;
    list.invertChecked();
    list.setAllChecked(true);
    QCOMPARE(list.removeChecked(), 0);
    list.columnClicked(ScanListModel::IpColumn);
    QCOMPARE(list.count(), 0);
}

QTEST_GUILESS_MAIN(TestListSelection)
#include "TestListSelection.moc"
