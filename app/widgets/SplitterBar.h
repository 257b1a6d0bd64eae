#pragma once

#include <QWidget>

// The splitter bar PicMove between the scan list and the analysis list.
// While the left button is held it takes the active-caption colour and
// follows the pointer vertically; on release it takes the button-face colour
// again and reports that the drag ended. Where it finally stands is decided
// by its owner.
class SplitterBar : public QWidget
{
    Q_OBJECT

public:
    explicit SplitterBar(QWidget *parent = nullptr);

    bool isDragging() const { return m_dragging; }

Q_SIGNALS:
    void dragged(int top);
    void released(int top);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setColourRole(QPalette::ColorRole role);

    bool m_dragging = false;
    int m_grabY = 0;
};
