#include "app/parts/AutoModeIndicators.h"

#include <QLocale>
#include <QWidget>

#include "analysis/AutoScanController.h"
#include "app/parts/StatusBarPanels.h"
#include "app/parts/TrayIcon.h"

AutoModeIndicators::AutoModeIndicators(AutoScanController &autoScan, QWidget *window, TrayIcon *tray,
                                       StatusBarPanels *status, QObject *parent)
    : QObject(parent), m_window(window), m_tray(tray)
{
    connect(&autoScan, &AutoScanController::nextStepChanged, status, [status](const QDateTime &at) {
        status->setNextStepText(nextStepText(at, QDateTime::currentDateTime()));
    });
    status->setNextStepText(nextStepText(autoScan.nextStep(), QDateTime::currentDateTime()));
    connect(&autoScan, &AutoScanController::stepFinished, this,
            [this](bool, const QString &, int findings) { stepFinished(findings); });
}

QString AutoModeIndicators::nextStepText(const QDateTime &at, const QDateTime &now)
{
    if (!at.isValid())
        return QString();
    const QLocale locale;
    QString when = locale.toString(at.time(), QLocale::ShortFormat);
    if (at.date() != now.date())
        when = locale.toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ') + when;
    return QStringLiteral("Next automatic scan at ") + when;
}

void AutoModeIndicators::stepFinished(int findings)
{
    // A shown window has the analysis list in view; only a hidden one needs telling.
    if (findings > 0 && !m_window->isVisible())
        m_tray->showFindings(findings);
}
