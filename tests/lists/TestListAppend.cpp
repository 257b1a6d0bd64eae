#include "lists/ScanListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

// Appending many rows at once: one insertion per call, and rows that behave
// as rows appended one by one do.
class TestListAppend : public QObject
{
    Q_OBJECT

private slots:
    void batchMatchesSingleAppends();
    void oneInsertionPerBatch_data();
    void oneInsertionPerBatch();
    void rowStateAndSortStateStay();
};

namespace {

QList<ScanRow> rows(int first, int count)
{
    QList<ScanRow> list;
    for (int n = first; n < first + count; ++n) {
        // Every third host did not answer: no number, the marker, the silent icon.
        list.append(
            n % 3 == 0
                ? ScanRow::fromFields({"", QStringLiteral("10.0.0.%1").arg(n), ScanRow::NonRespondedMarker})
                : ScanRow::fromFields({QString::number(n), QStringLiteral("10.0.0.%1").arg(n)}));
    }
    return list;
}

} // namespace

void TestListAppend::batchMatchesSingleAppends()
{
    ScanListModel one, batch;
    QAbstractItemModelTester tester(&batch, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const ScanRow &row : rows(1, 7))
        one.appendScanRow(row);
    batch.appendScanRows(rows(1, 7));
    QCOMPARE(batch.count(), one.count());
    for (int row = 0; row < one.count(); ++row) {
        QCOMPARE(batch.row(row).cells, one.row(row).cells);
        QCOMPARE(batch.row(row).iconIndex, one.row(row).iconIndex);
        QCOMPARE(batch.data(batch.index(row, 0), ListModel::IconIndexRole),
                 one.data(one.index(row, 0), ListModel::IconIndexRole));
        QCOMPARE(batch.isChecked(row), false);
    }
    QCOMPARE(batch.row(2).iconIndex, int(ScanRow::SilentIcon));
    QCOMPARE(batch.row(0).iconIndex, int(ScanRow::AnsweredIcon));
}

void TestListAppend::oneInsertionPerBatch_data()
{
    QTest::addColumn<int>("already");
    QTest::addColumn<int>("added");
    QTest::newRow("into an empty list") << 0 << 5000;
    QTest::newRow("after rows") << 3 << 2;
    QTest::newRow("nothing") << 3 << 0;
}

void TestListAppend::oneInsertionPerBatch()
{
    QFETCH(int, already);
    QFETCH(int, added);
    ScanListModel list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.appendScanRows(rows(1, already));
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    list.appendScanRows(rows(already + 1, added));
    QCOMPARE(list.count(), already + added);
    QCOMPARE(inserted.size(), added > 0 ? 1 : 0);
    if (added > 0) {
        QCOMPARE(inserted.at(0).at(1).toInt(), already);
        QCOMPARE(inserted.at(0).at(2).toInt(), already + added - 1);
        QCOMPARE(list.text(already + added - 1, ScanListModel::IpColumn),
                 QStringLiteral("10.0.0.%1").arg(already + added));
    }
}

void TestListAppend::rowStateAndSortStateStay()
{
    ScanListModel list;
    list.appendScanRows(rows(1, 4));
    list.columnClicked(ScanListModel::IpColumn); // descending by address
    list.setCurrentRow(1);
    list.setChecked(0, true);
    const QString current = list.text(1, ScanListModel::IpColumn);
    QSignalSpy currentChanged(&list, &ListModel::currentRowChanged);
    // Rows that are not there yet from a short row: every column gets a text.
    ListRow shortRow;
    shortRow.cells = {QStringLiteral("9")};
    list.appendRows({shortRow});
    list.appendScanRows(rows(5, 2));
    QCOMPARE(list.currentRow(), 1);
    QCOMPARE(list.text(1, ScanListModel::IpColumn), current);
    QVERIFY(currentChanged.isEmpty());
    QCOMPARE(list.checkedRows(), QList<int>{0});
    QCOMPARE(list.sortColumn(), int(ScanListModel::IpColumn));
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(list.row(4).cells.size(), list.columnCount());
    // Appended rows come at the bottom, as they do one by one: no re-sort.
    QCOMPARE(list.text(6, ScanListModel::IpColumn), QStringLiteral("10.0.0.6"));
}

QTEST_GUILESS_MAIN(TestListAppend)
#include "TestListAppend.moc"
