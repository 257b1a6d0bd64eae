// netkestrel: the desktop program. "netkestrel mini" starts it in the tray.
#include <QApplication>

#include "DataFolder.h"
#include "FormMain.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Netkestrel"));
    QApplication::setApplicationVersion(QStringLiteral(NETKESTREL_VERSION));
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

    FormMain::Options options;
    options.dataFolder = DataFolder::resolve(dataFolder);
    FormMain window(options);
    QObject::connect(&window, &FormMain::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.startUp(mini);
    return QApplication::exec();
}
