#include "app/commands/ToolCommands.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

#include "app/dialogs/ComputerPicker.h"
#include "app/dialogs/FormMsg1.h"
#include "app/dialogs/FormShutdown.h"
#include "app/dialogs/FormShutdownOp.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/BusyCursor.h"
#include "tools/ArpBindingScript.h"
#include "tools/ComputerList.h"
#include "tools/NeighbourBinder.h"
#include "tools/ProposedTarget.h"

namespace {

ArpBindingCommand::Applied applyToNeighbourTable(ProgramRunner &runner, const QList<ArpBinding> &bindings)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const QList<NeighbourBinder::Outcome> outcomes = NeighbourBinder(runner).apply(bindings);
    QGuiApplication::restoreOverrideCursor();
    return {NeighbourBinder::report(outcomes), NeighbourBinder::allApplied(outcomes)};
}

} // namespace

ToolCommands::ToolCommands(MainMenus &menus, Lists lists, Prompt &prompt, DesktopServices &desktop,
                           ProgramRunner &runner, const WakeDestination &wakeDestination,
                           const QString &dataFolder, QWidget *window)
    : QObject(window),
      m_lists(lists),
      m_prompt(prompt),
      m_runner(runner),
      m_window(window),
      m_messageSender(runner),
      m_remoteShutdown(runner),
      m_wakeOnLan(wakeDestination),
      m_arpBinding(
          dataFolder, prompt,
          [&runner](const QList<ArpBinding> &bindings) { return applyToNeighbourTable(runner, bindings); }),
      m_openComputer(desktop, runner, prompt)
{
    menus.setHandler(QStringLiteral("BAmenu13"), [this] { ping(); });
    menus.setHandler(QStringLiteral("BAmenu19"),
                     [this] { m_wakeOnLan.wakeTickedRecords(m_lists.recordList, m_prompt); });
    menus.setHandler(QStringLiteral("SMmenu161"), [this] {
        m_arpBinding.generate(m_lists.scanList, QLatin1String(ArpBindingScript::ScanListFileName));
    });
    menus.setHandler(QStringLiteral("SMmenu162"), [this] {
        m_arpBinding.generate(m_lists.recordList, QLatin1String(ArpBindingScript::RecordListFileName));
    });
    menus.setHandler(QStringLiteral("SMmenu15"), [this] { openMessageDialog(); });
    menus.setHandler(QStringLiteral("menuT2"), [this] { openShutdownDialog(); });
    menus.setHandler(QStringLiteral("menuSet2"), [this] {
        auto *dialog = new FormShutdownOp(m_prompt, m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
    menus.setHandler(QStringLiteral("menuT1"),
                     [this] { m_openComputer.callRemoteDesktop(m_lists.scanList); });
    const char *const addresses[][2] = {
        {"menuT51", "http://"}, {"menuT52", "https://"}, {"menuT53", "ftp://"}};
    for (const auto &[item, prefix] : addresses) {
        const QString scheme = QLatin1String(prefix);
        menus.setHandler(QLatin1String(item),
                         [this, scheme] { m_openComputer.openAs(m_lists.scanList, scheme); });
    }
}

void ToolCommands::ping()
{
    // The echo blocks the window for up to its time-out: the hourglass says
    // so, and pending repaints run before it starts.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QCoreApplication::processEvents();
    const QString message = m_pingTool.messageForCurrentRecord(m_lists.recordList);
    QGuiApplication::restoreOverrideCursor();
    m_prompt.notice(message);
}

void ToolCommands::openMessageDialog()
{
    auto *dialog =
        new FormMsg1(m_messageSender, m_prompt, proposedTarget(m_lists.scanList, m_prompt), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ToolCommands::openShutdownDialog()
{
    auto *dialog = new FormShutdown(
        m_remoteShutdown, m_prompt, proposedTarget(m_lists.scanList, m_prompt),
        [this](QWidget *over) { return pickComputer(over); }, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

QString ToolCommands::pickComputer(QWidget *over)
{
    QStringList names;
    {
        // smbtree and nmblookup may take a few seconds each.
        const BusyCursor busy;
        names = ComputerList(m_runner).names(m_lists.scanList, m_lists.recordList);
    }
    ComputerPicker picker(names, over);
    picker.exec();
    return picker.chosen();
}
