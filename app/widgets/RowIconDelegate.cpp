#include "app/widgets/RowIconDelegate.h"

#include "lists/ListModel.h"

RowIconDelegate::RowIconDelegate(QList<QIcon> icons, QObject *parent)
    : QStyledItemDelegate(parent), m_icons(std::move(icons))
{
}

QIcon RowIconDelegate::iconFor(int iconIndex) const
{
    if (iconIndex <= 0 || iconIndex > m_icons.size())
        return {};
    return m_icons.at(iconIndex - 1);
}

void RowIconDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(ListModel::DimmedRole).toBool()) {
        // The disabled text colour of the style, selected or not, so that a
        // dimmed row reads as "there, needs no look" in any theme.
        const QBrush grey = option->palette.brush(QPalette::Disabled, QPalette::Text);
        option->palette.setBrush(QPalette::Text, grey);
        option->palette.setBrush(QPalette::HighlightedText, grey);
    }
    if (index.column() != 0)
        return;
    const QIcon icon = iconFor(index.data(ListModel::IconIndexRole).toInt());
    if (icon.isNull())
        return;
    // As QStyledItemDelegate does for a decoration from the model.
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->icon = icon;
    QIcon::Mode mode = QIcon::Normal;
    if (!(option->state & QStyle::State_Enabled))
        mode = QIcon::Disabled;
    else if (option->state & QStyle::State_Selected)
        mode = QIcon::Selected;
    const QIcon::State state = option->state & QStyle::State_Open ? QIcon::On : QIcon::Off;
    const QSize actual = icon.actualSize(option->decorationSize, mode, state);
    option->decorationSize = option->decorationSize.boundedTo(actual);
}
