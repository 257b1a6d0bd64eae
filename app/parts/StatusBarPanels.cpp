#include "app/parts/StatusBarPanels.h"

#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include "app/widgets/MainIcons.h"

StatusBarPanels::StatusBarPanels(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    for (int number = 1; number <= 5; ++number) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(number));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMargin(1);
        m_panels.append(label);
    }
    m_panels.at(0)->setFixedWidth(24);
    m_panels.at(0)->setAlignment(Qt::AlignCenter);
    m_panels.at(2)->setMinimumWidth(120);
    addWidget(m_panels.at(0));
    addWidget(m_panels.at(1), 3);
    addWidget(m_panels.at(2), 2);
    m_nextStep = new QLabel(this);
    m_nextStep->setObjectName(QStringLiteral("NextAutoScan"));
    m_nextStep->setFrameShape(QFrame::StyledPanel);
    m_nextStep->setFrameShadow(QFrame::Sunken);
    m_nextStep->setMargin(1);
    addPermanentWidget(m_nextStep);
    m_nextStep->hide(); // until the automatic mode has a next step
    addPermanentWidget(m_panels.at(3));
    addPermanentWidget(m_panels.at(4));

    m_progress = new QProgressBar(m_panels.at(1));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_panels.at(1)->installEventFilter(this);

    m_frames = MainIcons::animationFrames();
    m_panels.at(0)->setPixmap(m_frames.value(0));
    m_animation = new QTimer(this);
    m_animation->setObjectName(QStringLiteral("Timer1"));
    m_animation->setInterval(AnimationTickMs);
    connect(m_animation, &QTimer::timeout, this, &StatusBarPanels::nextFrame);

    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &StatusBarPanels::updateClock);
    m_clock->start();
    updateClock();
}

QSize StatusBarPanels::sizeHint() const
{
    // The bar's layout is made when it is first shown, too late for a
    // window that sizes itself before that.
    int width = 0;
    for (const QLabel *panel : m_panels + QList<QLabel *>{m_nextStep})
        if (!panel->isHidden())
            width += panel->sizeHint().width() + PanelGap;
    return QStatusBar::sizeHint().expandedTo(QSize(width + GripWidth, 0));
}

void StatusBarPanels::setStatusText(const QString &text)
{
    m_panels.at(1)->setText(text);
}

QString StatusBarPanels::statusText() const
{
    return m_panels.at(1)->text();
}

void StatusBarPanels::setLocalText(const QString &text)
{
    m_panels.at(2)->setText(text);
}

void StatusBarPanels::setNextStepText(const QString &text)
{
    m_nextStep->setText(text);
    m_nextStep->setVisible(!text.isEmpty());
}

void StatusBarPanels::setProgressVisible(bool visible)
{
    m_panels.at(1)->setAlignment(Qt::AlignVCenter | (visible ? Qt::AlignRight : Qt::AlignLeft));
    placeProgressBar();
    m_progress->setVisible(visible);
    if (!visible)
        m_progress->setValue(0);
}

void StatusBarPanels::setProgress(int percent)
{
    m_progress->setValue(percent);
}

void StatusBarPanels::startAnimation()
{
    m_animation->start();
}

void StatusBarPanels::pauseAnimation()
{
    m_animation->stop();
}

void StatusBarPanels::stopAnimation()
{
    m_animation->stop();
    m_frame = 0;
    m_panels.at(0)->setPixmap(m_frames.value(0));
}

void StatusBarPanels::nextFrame()
{
    if (m_frames.isEmpty())
        return;
    m_frame = (m_frame + 1) % int(m_frames.size());
    m_panels.at(0)->setPixmap(m_frames.at(m_frame));
}

void StatusBarPanels::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_panels.at(3)->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels.at(4)->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void StatusBarPanels::placeProgressBar()
{
    // The bar takes the left part of panel 2, so that the right-aligned
    // message beside it stays readable during the scan.
    const QRect panel = m_panels.at(1)->contentsRect();
    m_progress->setGeometry(panel.x(), panel.y(), panel.width() * 2 / 5, panel.height());
}

bool StatusBarPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panels.at(1) && event->type() == QEvent::Resize)
        placeProgressBar();
    return QStatusBar::eventFilter(watched, event);
}
