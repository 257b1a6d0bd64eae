#include "app/parts/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const QIcon &icon, QMenu *menu, bool available, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this)), m_available(available)
{
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    m_icon->setToolTip(tooltipText());
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT leftClicked();
    });
}

TrayIcon::~TrayIcon()
{
    remove();
}

QString TrayIcon::tooltipText()
{
    return QStringLiteral("Netkestrel is running ...");
}

QString TrayIcon::welcomeTitle()
{
    return QStringLiteral("Netkestrel");
}

QString TrayIcon::welcomeText()
{
    return QStringLiteral("Welcome to use Netkestrel ") + QStringLiteral(NETKESTREL_VERSION);
}

QString TrayIcon::findingsText(int count)
{
    return count == 1 ? QStringLiteral("1 new finding in the analysis list")
                      : QStringLiteral("%1 new findings in the analysis list").arg(count);
}

QString TrayIcon::changesText(const QList<ChangeEvent> &events)
{
    if (events.isEmpty())
        return QString();
    return events.size() == 1 ? events.first().text()
                              : QStringLiteral("%1 change events; the first: %2")
                                    .arg(events.size())
                                    .arg(events.first().text());
}

void TrayIcon::show()
{
    if (!m_available)
        return;
    m_icon->show();
    showWelcome();
}

void TrayIcon::showWelcome()
{
    showBalloon(welcomeTitle(), welcomeText());
}

void TrayIcon::showFindings(int count)
{
    showBalloon(welcomeTitle(), findingsText(count));
}

void TrayIcon::showChanges(const QList<ChangeEvent> &events)
{
    showBalloon(welcomeTitle(), changesText(events));
}

void TrayIcon::showBalloon(const QString &title, const QString &text)
{
    if (!m_available || !m_icon->isVisible())
        return;
    m_lastMessage = text;
    m_icon->showMessage(title, text, QSystemTrayIcon::Information, BalloonMs);
}

void TrayIcon::remove()
{
    m_icon->hide();
}
