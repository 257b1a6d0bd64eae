// The lists of the main window: Copy of the highlighted row, and the scan
// list's number column that must show its numbers beside check box and icon.
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTest>

#include "app/widgets/MainIcons.h"
#include "app/widgets/ScanListView.h"
#include "lists/ScanListModel.h"
#include "scan/ScanRange.h"

class TestListViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copiesTheHighlightedRow_data();
    void copiesTheHighlightedRow();
    void copyWithoutHighlightKeepsTheClipboard();
    void numberColumnShowsTheLargestNumber();
};

namespace {

const ScanRow First = {"1", "198.18.7.1", "00-0A-E4-20-53-55", "PC-ONE", "OFFICE", "Vendor One", 1, {}};
const ScanRow Second = {"2", "198.18.7.2", "00-0A-E4-20-53-56", "", "", "", 1, {}};

} // namespace

void TestListViews::copiesTheHighlightedRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("hiddenColumn"); // -1: none
    QTest::addColumn<QString>("copied");
    QTest::newRow("all columns") << 0 << -1 << "1\t198.18.7.1\t00-0A-E4-20-53-55\tPC-ONE\tOFFICE\tVendor One";
    QTest::newRow("empty cells keep their tabs") << 1 << -1 << "2\t198.18.7.2\t00-0A-E4-20-53-56\t\t\t";
    QTest::newRow("hidden column left out")
        << 0 << int(ScanListModel::VendorColumn) << "1\t198.18.7.1\t00-0A-E4-20-53-55\tPC-ONE\tOFFICE";
}

void TestListViews::copiesTheHighlightedRow()
{
    QFETCH(int, row);
    QFETCH(int, hiddenColumn);
    QFETCH(QString, copied);
    ScanListModel model;
    model.appendScanRow(First);
    model.appendScanRow(Second);
    ScanListView view(&model);
    if (hiddenColumn >= 0)
        view.setColumnHidden(hiddenColumn, true);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    model.setCurrentRow(row);
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(&view, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void TestListViews::copyWithoutHighlightKeepsTheClipboard()
{
    ScanListModel model;
    model.appendScanRow(First);
    ScanListView view(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    model.setCurrentRow(-1);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keySequence(&view, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestListViews::numberColumnShowsTheLargestNumber()
{
    ScanListModel model;
    ScanRow last = First;
    last.number = QString::number(ScanRange::MaxUdpAddresses);
    model.appendScanRow(last);
    ScanListView view(&model);
    view.setRowIcons(MainIcons::rowIcons());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // What the list's own delegate needs for check box, icon and number.
    const auto *asView = static_cast<const QAbstractItemView *>(&view);
    QVERIFY2(
        view.columnWidth(0) >= asView->sizeHintForColumn(0),
        qPrintable(QStringLiteral("%1 < %2").arg(view.columnWidth(0)).arg(asView->sizeHintForColumn(0))));
}

QTEST_MAIN(TestListViews)
#include "TestListViews.moc"
