#include "TrayIcon.h"

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

void TrayIcon::show()
{
    if (!m_available)
        return;
    m_icon->show();
    showWelcome();
}

void TrayIcon::showWelcome()
{
    if (m_available && m_icon->isVisible())
        m_icon->showMessage(welcomeTitle(), welcomeText(), QSystemTrayIcon::Information, BalloonMs);
}

void TrayIcon::remove()
{
    m_icon->hide();
}
