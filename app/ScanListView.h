#pragma once

#include "ListView.h"

class ScanListModel;
struct ScanRow;

// The scan list ListView1: a ListView whose rows explain themselves in a
// tooltip while the pointer rests on them.
class ScanListView : public ListView
{
    Q_OBJECT

public:
    explicit ScanListView(ScanListModel *model, QWidget *parent = nullptr);

    // Title line "IP Address:" + address, then the four labelled values,
    // each line after a CR LF and a tab.
    static QString tooltipText(const ScanRow &row);

protected:
    bool viewportEvent(QEvent *event) override;

private:
    ScanListModel *m_scanModel;
};
