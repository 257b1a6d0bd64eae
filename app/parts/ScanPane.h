#pragma once

#include <QWidget>

class SplitterBar;

// The scan pane Picture3: the scan list on top, the splitter bar, the
// analysis list below it and the column of option frames to the right,
// placed by the rules of ScanPaneLayout. It keeps the splitter's top.
class ScanPane : public QWidget
{
    Q_OBJECT

public:
    static constexpr int InitialSplitterTop = 4300; // twips

    ScanPane(QWidget *scanList, QWidget *analysisList, QWidget *frames, QWidget *parent = nullptr);

    SplitterBar *splitter() const { return m_splitter; }
    int splitterTop() const { return m_splitterTop; } // twips
    // Places the splitter as a finished drag would (clamped) and lays out.
    void dropSplitterAt(int topTwips);
    void relayout();
    // Wide enough for every column of the scan list beside the option
    // frames, tall enough for the frames.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int windowHeight() const;
    int framesColumn() const; // twips

    QWidget *m_scanList;
    QWidget *m_analysisList;
    QWidget *m_frames;
    SplitterBar *m_splitter;
    int m_splitterTop = InitialSplitterTop;
};
