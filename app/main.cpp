// netkestrel: the desktop program. "netkestrel mini" starts it in the tray.
#include <QApplication>

#include "app/desktop/SingleInstance.h"
#include "app/window/FormMain.h"
#include "platform/DataFolder.h"
#include "platform/ProcessMemory.h"
#include "platform/StopSignals.h"

int main(int argc, char *argv[])
{
    ProcessMemory::keepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Netkestrel"));
    QApplication::setApplicationVersion(QStringLiteral(NETKESTREL_VERSION));
    // Ties the window to the installed menu entry (its icon and name in docks and on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.netkestrel.Netkestrel"));
    // The program ends when its window is unloaded, not when it hides in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    // --data-dir DIR chooses the program's folder; what remains is the
    // command line of the design, where exactly "mini" starts in the tray.
    QStringList arguments = QApplication::arguments().mid(1);
    QString dataFolder;
    const qsizetype dataOption = arguments.indexOf(QStringLiteral("--data-dir"));
    if (dataOption >= 0 && dataOption + 1 < arguments.size()) {
        dataFolder = arguments.at(dataOption + 1);
        arguments.remove(dataOption, 2);
    }
    const bool mini = arguments == QStringList{QStringLiteral("mini")};

    // A second start while the program runs hands over and ends: one tray
    // icon, one automatic scanner. A plain start brings the running window
    // to the front; "mini" (the logon autorun) leaves it as it is.
    const Result<QString> guardName = SingleInstance::serverNameForUser();
    if (!guardName)
        qWarning("netkestrel: %s; a second start will not find this one.", qPrintable(guardName.error()));
    SingleInstance instance(guardName ? *guardName : QString());
    if (!instance.claim(mini ? SingleInstance::Request::LeaveAsIs : SingleInstance::Request::ShowWindow))
        return 0;

    FormMain::Options options;
    options.dataFolder = DataFolder::resolve(dataFolder);
    FormMain window(options);
    QObject::connect(&window, &FormMain::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.openMainBoard();
        window.raise();
        window.activateWindow();
    });
    // A session that logs out ends the program with SIGTERM or SIGHUP: it
    // ends as on Exit, so that the window's size and place are kept.
    const StopSignals stopSignals({SIGTERM, SIGHUP, SIGINT});
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &window, &QWidget::close);
    window.startUp(mini);
    return QApplication::exec();
}
