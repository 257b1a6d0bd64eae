#pragma once

#include "lists/ListModel.h"
#include "lists/ScanRow.h"

// The scan list: one ScanRow per row, columns number, "IP Address",
// "MAC Address", "Host Name", "Workgroup", "NIC Vendor"; rows carry check boxes.
class ScanListModel : public ListModel
{
    Q_OBJECT

public:
    enum Column { NumberColumn, IpColumn, MacColumn, HostColumn, WorkgroupColumn, VendorColumn };

    explicit ScanListModel(QObject *parent = nullptr);

    void appendScanRow(const ScanRow &row);
    // The rows at the bottom with one insertion, in the order given.
    void appendScanRows(const QList<ScanRow> &rows);
    ScanRow scanRow(int row) const;

    // A click on a column header: records the column and flips the order;
    // only the "IP Address" column reorders the rows (address-aware).
    void columnClicked(int column);
};
