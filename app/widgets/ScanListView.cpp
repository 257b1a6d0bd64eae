#include "app/widgets/ScanListView.h"

#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include "lists/ScanListModel.h"
#include "scan/ScanRange.h"

ScanListView::ScanListView(ScanListModel *model, QWidget *parent)
    : ListView(model, QStringLiteral("ListView1"), {800, 1300, 1600, 1650, 1650, 2450}, parent),
      m_scanModel(model)
{
    fitAddressColumns();
    // Row numbers count answering hosts, so no scan numbers beyond its largest range.
    setColumnWidth(0, qMax(columnWidth(0), numberColumnWidth(QString::number(ScanRange::MaxUdpAddresses))));
}

int ScanListView::numberColumnWidth(const QString &number) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
                       QStyleOptionViewItem::HasDisplay;
    option.text = number;
    const int gridLine = showGrid() ? 1 : 0;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + gridLine;
}

QString ScanListView::tooltipText(const ScanRow &row)
{
    const QString separator = QStringLiteral("\r\n\t");
    return QStringLiteral("IP Address:") + row.ipAddress + separator + QStringLiteral("MAC Address:") +
           row.macAddress + separator + QStringLiteral("Host Name:") + row.hostName + separator +
           QStringLiteral("Workgroup:") + row.workgroup + separator + QStringLiteral("NIC Vendor:") +
           row.vendor;
}

bool ScanListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid())
            QToolTip::showText(help->globalPos(), tooltipText(m_scanModel->scanRow(index.row())), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return ListView::viewportEvent(event);
}
