#include "app/parts/ScanPane.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "app/parts/ScanPaneLayout.h"
#include "app/widgets/SplitterBar.h"
#include "app/widgets/Twips.h"

namespace {

QRect toPixels(const QRect &twips)
{
    return QRect(Twips::toPixels(twips.x()), Twips::toPixels(twips.y()), Twips::toPixels(twips.width()),
                 Twips::toPixels(twips.height()));
}

// The width at which a list shows all its columns and its vertical scroll bar.
int widthShowingColumns(const QWidget *list)
{
    const auto *view = qobject_cast<const QTableView *>(list);
    if (!view)
        return list->sizeHint().width();
    const int rowHeader = view->verticalHeader()->isHidden() ? 0 : view->verticalHeader()->width();
    return view->horizontalHeader()->length() + rowHeader + 2 * view->frameWidth() +
           view->verticalScrollBar()->sizeHint().width();
}

} // namespace

ScanPane::ScanPane(QWidget *scanList, QWidget *analysisList, QWidget *frames, QWidget *parent)
    : QWidget(parent), m_scanList(scanList), m_analysisList(analysisList), m_frames(frames)
{
    setObjectName(QStringLiteral("Picture3"));
    for (QWidget *child : {scanList, analysisList, frames})
        child->setParent(this);
    m_splitter = new SplitterBar(this);
    connect(m_splitter, &SplitterBar::released, this,
            [this](int top) { dropSplitterAt(Twips::fromPixels(top)); });
}

int ScanPane::windowHeight() const
{
    return Twips::fromPixels(window()->frameGeometry().height());
}

int ScanPane::framesColumn() const
{
    // Around the frames: 50 twips left of the list, 100 between list and frames, 50 on the right.
    return Twips::fromPixels(m_frames->minimumSizeHint().width()) + 200;
}

QSize ScanPane::sizeHint() const
{
    // The analysis list's last column is made for the longest finding and
    // would ask for more than a screen; its texts grow with the window.
    return {widthShowingColumns(m_scanList) +
                Twips::toPixels(ScanPaneLayout::paneWidthFor(0, framesColumn())),
            m_frames->minimumSizeHint().height() + Twips::toPixels(100)};
}

void ScanPane::dropSplitterAt(int topTwips)
{
    m_splitterTop = ScanPaneLayout::clampOnRelease(topTwips, windowHeight());
    relayout();
}

void ScanPane::relayout()
{
    m_splitterTop = ScanPaneLayout::clampOnResize(m_splitterTop, windowHeight());
    const QSize pane(Twips::fromPixels(width()), Twips::fromPixels(height()));
    const ScanPaneLayout::Geometry g =
        ScanPaneLayout::compute(pane, m_splitterTop, windowHeight(), framesColumn());
    m_scanList->setGeometry(toPixels(g.scanList));
    m_splitter->setGeometry(toPixels(g.splitter));
    m_analysisList->setGeometry(toPixels(g.analysisList));
    m_frames->setGeometry(toPixels(g.frames));
}

void ScanPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}
