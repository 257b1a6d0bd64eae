#pragma once

#include <QIcon>
#include <QList>
#include <QStyledItemDelegate>

// Draws the small icon of a list row: the list models keep only an icon
// index (ListModel::IconIndexRole, 0 for none) so that they stay free of
// pictures; this delegate shows icons[index - 1] in column 0, where a model
// answering Qt::DecorationRole would have put it. Rows the model marks
// dimmed (ListModel::DimmedRole) get the style's disabled text colour in
// every column. GUI thread only.
class RowIconDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit RowIconDelegate(QList<QIcon> icons, QObject *parent = nullptr);

    // The icon for a row's index; a null icon for 0 and unknown indexes.
    QIcon iconFor(int iconIndex) const;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QList<QIcon> m_icons;
};
