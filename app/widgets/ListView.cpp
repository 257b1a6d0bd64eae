#include "app/widgets/ListView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include "app/widgets/RowIconDelegate.h"
#include "app/widgets/Twips.h"
#include "lists/ListModel.h"

ListView::ListView(ListModel *model, const QString &name, const QList<int> &widthsTwips, QWidget *parent)
    : QTableView(parent), m_model(model)
{
    setObjectName(name);
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setAlternatingRowColors(false);
    setMouseTracking(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(true);
    // The style's least section width would widen a narrow design column
    // (the analysis list's icon column).
    for (int width : widthsTwips) {
        if (width > 0 && Twips::toPixels(width) < horizontalHeader()->minimumSectionSize())
            horizontalHeader()->setMinimumSectionSize(Twips::toPixels(width));
    }
    for (int column = 0; column < widthsTwips.size(); ++column) {
        const int width = widthsTwips.at(column);
        if (width == 0)
            setColumnHidden(column, true);
        else if (width > 0)
            setColumnWidth(column, Twips::toPixels(width));
    }
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (m_columnClicked)
            m_columnClicked(column);
        horizontalHeader()->setSortIndicatorShown(true);
        horizontalHeader()->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_syncing)
                    m_model->setCurrentRow(current.isValid() ? current.row() : -1);
            });
    connect(model, &ListModel::currentRowChanged, this, &ListView::showModelCurrentRow);
}

void ListView::setColumnClickHandler(std::function<void(int column)> handler)
{
    m_columnClicked = std::move(handler);
}

void ListView::setRowIcons(const QList<QIcon> &icons)
{
    QAbstractItemDelegate *previous = itemDelegate();
    setItemDelegate(new RowIconDelegate(icons, this));
    if (previous && previous->parent() == this)
        previous->deleteLater();
}

void ListView::showModelCurrentRow(int row)
{
    m_syncing = true;
    if (row < 0) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    } else {
        const QModelIndex index = m_model->index(row, 1);
        selectionModel()->setCurrentIndex(index,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_syncing = false;
}

void ListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT popupRequested(event->globalPosition().toPoint());
}

void ListView::keyPressEvent(QKeyEvent *event)
{
    // The table's own Copy takes the current cell only.
    if (event->matches(QKeySequence::Copy)) {
        const int row = m_model->currentRow();
        if (row >= 0 && row < m_model->rowCount())
            QGuiApplication::clipboard()->setText(rowText(row));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QString ListView::rowText(int row) const
{
    QStringList cells;
    const QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!isColumnHidden(column))
            cells << m_model->index(row, column).data(Qt::DisplayRole).toString();
    }
    return cells.join(QLatin1Char('\t'));
}

void ListView::fitColumnTo(int column, const QString &sample)
{
    const int needed = fontMetrics().horizontalAdvance(sample) +
                       2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    if (columnWidth(column) < needed)
        setColumnWidth(column, needed);
}

void ListView::fitAddressColumns()
{
    fitColumnTo(1, QStringLiteral("255.255.255.255"));
    fitColumnTo(2, QStringLiteral("00-0A-E4-20-53-55"));
}
