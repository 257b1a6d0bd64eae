#pragma once

#include <QList>
#include <QPixmap>
#include <QStatusBar>

class QLabel;
class QProgressBar;
class QTimer;

// The status bar StatusBar1 with its five panels: 1 the status picture
// (animated by Timer1 while a scan runs), 2 the status message, 3 the local
// address text, 4 the date, 5 the time. During a scan the progress bar
// ProgressBar1 stands over panel 2 and the message moves to the right.
// While the automatic mode waits for its next step, a panel of its own
// ("NextAutoScan", before the date) says when it comes; the scan's texts in
// panel 2 never overwrite it.
class StatusBarPanels : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int AnimationTickMs = 150;

    explicit StatusBarPanels(QWidget *parent = nullptr);

    QLabel *panel(int number) const { return m_panels.value(number - 1); }
    QProgressBar *progressBar() const { return m_progress; }
    QTimer *animationTimer() const { return m_animation; }
    // The index of Image1 shown in panel 1.
    int animationFrame() const { return m_frame; }

    void setStatusText(const QString &text);
    QString statusText() const;
    void setLocalText(const QString &text);
    // Empty text hides the panel.
    void setNextStepText(const QString &text);
    QLabel *nextStepPanel() const { return m_nextStep; }

    void setProgressVisible(bool visible);
    void setProgress(int percent);

    // Running: the pictures cycle; paused: they hold; stopped: picture 0.
    void startAnimation();
    void pauseAnimation();
    void stopAnimation();

    // Wide enough for the whole text of every panel that is not hidden.
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Between two panels, and the size grip at the right end, in pixels.
    static constexpr int PanelGap = 6;
    static constexpr int GripWidth = 20;

    void nextFrame();
    void updateClock();
    void placeProgressBar();

    QList<QLabel *> m_panels;
    QLabel *m_nextStep;
    QProgressBar *m_progress;
    QTimer *m_animation;
    QTimer *m_clock;
    QList<QPixmap> m_frames;
    int m_frame = 0;
};
