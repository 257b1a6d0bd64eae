// The small row icons: the list models hold only an icon index, and the
// window's delegate draws the icon of that index in column 0, as a model
// answering Qt::DecorationRole would have shown it.
#include <QPixmap>
#include <QStyleOptionViewItem>
#include <QTest>

#include "app/widgets/ListView.h"
#include "app/widgets/MainIcons.h"
#include "app/widgets/RowIconDelegate.h"
#include "lists/AnalysisListModel.h"
#include "lists/ScanListModel.h"

namespace {

// The option a view gives the delegate's paint(), for a look at it.
class ProbeDelegate : public RowIconDelegate
{
public:
    using RowIconDelegate::RowIconDelegate;
    QStyleOptionViewItem optionFor(const QModelIndex &index) const
    {
        QStyleOptionViewItem option;
        option.state = QStyle::State_Enabled;
        option.decorationSize = QSize(16, 16);
        initStyleOption(&option, index);
        return option;
    }
};

} // namespace

class TestRowIconDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void iconOfTheRowIndex_data();
    void iconOfTheRowIndex();
    void modelHoldsNoPictures();
    void dimmedRowsGreyed();
};

void TestRowIconDelegate::iconOfTheRowIndex_data()
{
    QTest::addColumn<int>("iconIndex");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("shown");
    const int icons = int(MainIcons::rowIcons().size());
    for (int index = 0; index <= icons + 1; ++index) {
        const bool known = index >= 1 && index <= icons;
        QTest::addRow("index %d, column 0", index) << index << 0 << known;
        QTest::addRow("index %d, column 1", index) << index << 1 << false;
    }
}

void TestRowIconDelegate::iconOfTheRowIndex()
{
    QFETCH(int, iconIndex);
    QFETCH(int, column);
    QFETCH(bool, shown);
    const QList<QIcon> icons = MainIcons::rowIcons();
    ScanListModel list;
    ScanRow row;
    row.ipAddress = QStringLiteral("198.18.7.1");
    row.iconIndex = iconIndex;
    list.appendScanRow(row);
    ProbeDelegate delegate(icons);
    const QStyleOptionViewItem option = delegate.optionFor(list.index(0, column));
    QCOMPARE(bool(option.features & QStyleOptionViewItem::HasDecoration), shown);
    if (!shown) {
        QVERIFY(option.icon.isNull());
        return;
    }
    QCOMPARE(option.icon.cacheKey(), icons.at(iconIndex - 1).cacheKey());
    QVERIFY(!option.decorationSize.isEmpty());
    QVERIFY(option.decorationSize.width() <= 16 && option.decorationSize.height() <= 16);
}

void TestRowIconDelegate::modelHoldsNoPictures()
{
    ScanListModel list;
    ScanRow row;
    row.iconIndex = ScanRow::AnsweredIcon;
    list.appendScanRow(row);
    QVERIFY(!list.index(0, 0).data(Qt::DecorationRole).isValid());
    QCOMPARE(list.index(0, 0).data(ListModel::IconIndexRole).toInt(), int(ScanRow::AnsweredIcon));
    // The window's views draw them.
    ListView view(&list, QStringLiteral("ListView1"), {});
    view.setRowIcons(MainIcons::rowIcons());
    QVERIFY(qobject_cast<RowIconDelegate *>(view.itemDelegate()));
}

void TestRowIconDelegate::dimmedRowsGreyed()
{
    AnalysisListModel list;
    list.appendEntry({QStringLiteral("d"), QStringLiteral("r"), QStringLiteral("198.18.7.2"),
                      QStringLiteral("00-0A-E4-00-00-02"), true});
    list.appendEntry({QStringLiteral("d"), QStringLiteral("r"), QStringLiteral("198.18.7.3"),
                      QStringLiteral("00-0A-E4-00-00-03"), false});
    const ProbeDelegate delegate(MainIcons::rowIcons());
    for (int column = 0; column < list.columnCount(); ++column) {
        const QStyleOptionViewItem dimmed = delegate.optionFor(list.index(0, column));
        const QBrush grey = dimmed.palette.brush(QPalette::Disabled, QPalette::Text);
        QCOMPARE(dimmed.palette.brush(QPalette::Active, QPalette::Text), grey);
        QCOMPARE(dimmed.palette.brush(QPalette::Active, QPalette::HighlightedText), grey);
        const QStyleOptionViewItem plain = delegate.optionFor(list.index(1, column));
        QVERIFY(plain.palette.brush(QPalette::Active, QPalette::Text) != grey);
    }
}

QTEST_MAIN(TestRowIconDelegate)
#include "TestRowIconDelegate.moc"
