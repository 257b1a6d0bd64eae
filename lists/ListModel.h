#pragma once

#include <QAbstractTableModel>
#include <QList>

#include "lists/ListRow.h"
#include "lists/SortKind.h"

// A list of the main window as a model: rows of text columns with a check box
// in column 0 (when the list is checkable), a small-icon index, an optional
// row key and a current (highlighted) row, which is not the same thing as the
// ticked rows. Views only show it; the engine reads and writes it directly.
// The model holds no pictures (the command line links no display stack): a
// view turns IconIndexRole of column 0 into an icon, index 0 meaning none.
class ListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        IconIndexRole = Qt::UserRole + 1,
        KeyRole,
        DimmedRole, // bool; a view greys the row's text
    };

    explicit ListModel(const QStringList &headers, bool checkable, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_rows.size()); }
    const ListRow &row(int row) const { return m_rows.at(row); }
    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);

    void appendRow(ListRow row);
    // Appends the rows at the bottom with one insertion (one rowsInserted), so
    // that a view pays its per-insertion cost once for a whole batch.
    void appendRows(QList<ListRow> rows);
    void insertRow(int position, ListRow row);
    void removeRowAt(int row);
    void clear();
    int findKey(const QString &key) const;

    bool isChecked(int row) const { return m_rows.at(row).checked; }
    void setChecked(int row, bool on);
    void setAllChecked(bool on);
    void invertChecked();
    // Removes every ticked row; returns how many went.
    int removeChecked();
    QList<int> checkedRows() const;

    bool isDimmed(int row) const { return m_rows.at(row).dimmed; }
    void setDimmed(int row, bool on);

    // The highlighted row, -1 when none.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);

    // Reorders the rows by the texts of one column (column 0 is the row's own
    // text). Stable: rows that compare equal keep their order. Records the
    // column and order as the list's sort state; the current row, the check
    // boxes and persistent indexes follow their rows.
    void sortByColumn(int column, SortKind kind, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // Records the sort state without reordering anything.
    void setSortState(int column, Qt::SortOrder order);
    // The order a click on a column header switches to: descending unless the
    // list is descending now.
    Qt::SortOrder flippedSortOrder() const
    {
        return m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    }

Q_SIGNALS:
    void currentRowChanged(int row);

private:
    void emitRowChanged(int row);
    // Every row holds a text for each column, so that cells.at(column) is safe.
    void padCells(ListRow &row) const;

    QStringList m_headers;
    bool m_checkable;
    QList<ListRow> m_rows;
    int m_currentRow = -1;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
