#include "lists/ListModel.h"

ListModel::ListModel(const QStringList &headers, bool checkable, QObject *parent)
    : QAbstractTableModel(parent), m_headers(headers), m_checkable(checkable)
{
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const ListRow &r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return r.cells.value(index.column());
    case Qt::CheckStateRole:
        if (m_checkable && index.column() == 0)
            return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case IconIndexRole:
        return r.iconIndex;
    case KeyRole:
        return r.key;
    case DimmedRole:
        return r.dimmed;
    default:
        return {};
    }
}

bool ListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= count())
        return false;
    if (role == Qt::CheckStateRole && m_checkable && index.column() == 0) {
        setChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    return false;
}

Qt::ItemFlags ListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_checkable && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return {};
}

QString ListModel::text(int row, int column) const
{
    if (row < 0 || row >= count())
        return {};
    return m_rows.at(row).cells.value(column);
}

void ListModel::setText(int row, int column, const QString &text)
{
    if (row < 0 || row >= count() || column < 0 || column >= m_headers.size())
        return;
    QStringList &cells = m_rows[row].cells;
    while (cells.size() <= column)
        cells.append(QString());
    cells[column] = text;
    Q_EMIT dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

void ListModel::appendRow(ListRow row)
{
    insertRow(count(), std::move(row));
}

void ListModel::appendRows(QList<ListRow> rows)
{
    if (rows.isEmpty())
        return;
    for (ListRow &row : rows)
        padCells(row);
    // Rows below the current one come in: it keeps its number.
    beginInsertRows({}, count(), count() + int(rows.size()) - 1);
    m_rows.append(std::move(rows));
    endInsertRows();
}

void ListModel::insertRow(int position, ListRow row)
{
    position = qBound(0, position, count());
    padCells(row);
    beginInsertRows({}, position, position);
    m_rows.insert(position, std::move(row));
    endInsertRows();
    if (m_currentRow >= position)
        setCurrentRow(m_currentRow + 1);
}

void ListModel::padCells(ListRow &row) const
{
    while (row.cells.size() < m_headers.size())
        row.cells.append(QString());
}

void ListModel::removeRowAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    if (m_currentRow == row)
        setCurrentRow(row < count() ? row : count() - 1);
    else if (m_currentRow > row)
        setCurrentRow(m_currentRow - 1);
}

void ListModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
    setCurrentRow(-1);
}

int ListModel::findKey(const QString &key) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_rows.at(i).key == key)
            return i;
    }
    return -1;
}

void ListModel::setChecked(int row, bool on)
{
    if (row < 0 || row >= count() || m_rows.at(row).checked == on)
        return;
    m_rows[row].checked = on;
    emitRowChanged(row);
}

void ListModel::setDimmed(int row, bool on)
{
    if (row < 0 || row >= count() || m_rows.at(row).dimmed == on)
        return;
    m_rows[row].dimmed = on;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {DimmedRole});
}

void ListModel::setAllChecked(bool on)
{
    for (int i = 0; i < count(); ++i)
        setChecked(i, on);
}

void ListModel::invertChecked()
{
    for (int i = 0; i < count(); ++i)
        setChecked(i, !isChecked(i));
}

int ListModel::removeChecked()
{
    // Walk by row number and stay on the same number after a removal, since the
    // next row moves up into it.
    int removed = 0;
    int i = 0;
    while (i < count()) {
        if (isChecked(i)) {
            removeRowAt(i);
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}

QList<int> ListModel::checkedRows() const
{
    QList<int> rows;
    for (int i = 0; i < count(); ++i) {
        if (m_rows.at(i).checked)
            rows.append(i);
    }
    return rows;
}

void ListModel::setCurrentRow(int row)
{
    if (row < -1 || row >= count())
        row = -1;
    if (row == m_currentRow)
        return;
    m_currentRow = row;
    Q_EMIT currentRowChanged(row);
}

void ListModel::emitRowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
}

void ListModel::setSortState(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
}

void ListModel::sortByColumn(int column, SortKind kind, Qt::SortOrder order)
{
    setSortState(column, order);
    const int n = count();
    if (n < 2 || column < 0 || column >= m_headers.size())
        return;

    // A bottom-up merge sort of row numbers: stable, and safe with the
    // comparisons that leave unconvertible cells equal to everything, which
    // are no strict weak ordering.
    const auto greater = [&](int left, int right) {
        const QString &a = m_rows.at(left).cells.at(column);
        const QString &b = m_rows.at(right).cells.at(column);
        const int c = CompareListItems(a, b, kind);
        return (order == Qt::DescendingOrder ? -c : c) > 0;
    };
    QList<int> byRank(n);
    for (int i = 0; i < n; ++i)
        byRank[i] = i;
    QList<int> scratch(n);
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = qMin(lo + width, n);
            const int hi = qMin(lo + 2 * width, n);
            int i = lo;
            int j = mid;
            int k = lo;
            while (i < mid && j < hi)
                scratch[k++] = greater(byRank.at(i), byRank.at(j)) ? byRank.at(j++) : byRank.at(i++);
            while (i < mid)
                scratch[k++] = byRank.at(i++);
            while (j < hi)
                scratch[k++] = byRank.at(j++);
        }
        byRank.swap(scratch);
    }

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newPosition(n);
    QList<ListRow> sorted;
    sorted.reserve(n);
    for (int i = 0; i < n; ++i) {
        newPosition[byRank.at(i)] = i;
        sorted.append(std::move(m_rows[byRank.at(i)]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex &index : persistent)
        moved.append(this->index(newPosition.at(index.row()), index.column()));
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    if (m_currentRow >= 0)
        setCurrentRow(newPosition.at(m_currentRow));
}
