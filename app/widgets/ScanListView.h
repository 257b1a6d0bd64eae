#pragma once

#include "app/widgets/ListView.h"

class ScanListModel;
struct ScanRow;

// The scan list ListView1: a ListView whose rows explain themselves in a
// tooltip while the pointer rests on them. Column 0 holds the check box, the
// row's icon and its running number; it is at least wide enough for all
// three with the largest number a scan can give.
class ScanListView : public ListView
{
    Q_OBJECT

public:
    explicit ScanListView(ScanListModel *model, QWidget *parent = nullptr);

    // Title line "IP Address:" + address, then the four labelled values,
    // each line after a CR LF and a tab.
    static QString tooltipText(const ScanRow &row);
    // Column 0's width for the check box, a small icon and the number text.
    int numberColumnWidth(const QString &number) const;

protected:
    bool viewportEvent(QEvent *event) override;

private:
    ScanListModel *m_scanModel;
};
