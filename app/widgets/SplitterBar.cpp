#include "app/widgets/SplitterBar.h"

#include <QMouseEvent>

SplitterBar::SplitterBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PicMove"));
    setCursor(Qt::SizeVerCursor);
    setAutoFillBackground(true);
    setColourRole(QPalette::Button);
}

void SplitterBar::setColourRole(QPalette::ColorRole role)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window,
                     parentWidget() ? parentWidget()->palette().color(role) : colours.color(role));
    setPalette(colours);
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grabY = int(event->position().y());
    setColourRole(QPalette::Highlight);
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const int top = y() + int(event->position().y()) - m_grabY;
    move(x(), top);
    Q_EMIT dragged(top);
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    setColourRole(QPalette::Button);
    Q_EMIT released(y());
}
