#pragma once

#include "lists/ListModel.h"

// The changes list: the change events of the completed scans, one a row, in
// the order they came. Columns "Date/Time", "Site", "Kind", "IP Address",
// "MAC Address" (labelled when randomised), "Change"; no check boxes.
class ChangesListModel : public ListModel
{
    Q_OBJECT

public:
    enum Column { DateTimeColumn, SiteColumn, KindColumn, IpColumn, MacColumn, ChangeColumn };

    explicit ChangesListModel(QObject *parent = nullptr);

    // The texts of one event in column order.
    void appendChanges(const QList<QStringList> &rows);
};
