#include "app/commands/ToolCommands.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <memory>

#include "app/dialogs/ComputerPicker.h"
#include "app/dialogs/FormMsg1.h"
#include "app/dialogs/FormShutdown.h"
#include "app/dialogs/FormShutdownOp.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/BusyCursor.h"
#include "platform/WorkRunner.h"
#include "tools/ArpBindingScript.h"
#include "tools/ComputerList.h"
#include "tools/NeighbourBinder.h"
#include "tools/ProposedTarget.h"

ToolCommands::~ToolCommands() = default;

ToolCommands::ToolCommands(MainMenus &menus, Lists lists, Prompt &prompt, DesktopServices &desktop,
                           ProgramRunner &runner, WorkRunner &work, const WakeDestination &wakeDestination,
                           const QString &dataFolder, QWidget *window)
    : QObject(window),
      m_lists(lists),
      m_menus(menus),
      m_prompt(prompt),
      m_runner(runner),
      m_work(work),
      m_window(window),
      m_messageSender(runner),
      m_remoteShutdown(runner),
      m_wakeOnLan(wakeDestination),
      m_arpBinding(dataFolder, prompt,
                   [this](const QList<ArpBinding> &bindings,
                          std::function<void(const ArpBindingCommand::Applied &)> report) {
                       applyToNeighbourTable(bindings, std::move(report));
                   }),
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
        new FormMsg1(m_messageSender, m_prompt, m_work, proposedTarget(m_lists.scanList, m_prompt), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ToolCommands::openShutdownDialog()
{
    auto *dialog = new FormShutdown(
        m_remoteShutdown, m_prompt, m_work, proposedTarget(m_lists.scanList, m_prompt),
        [this](QWidget *over, std::function<void(const QString &)> chosen) {
            pickComputer(over, std::move(chosen));
        },
        m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ToolCommands::pickComputer(QWidget *over, std::function<void(const QString &)> chosen)
{
    // smbtree and nmblookup may take a few seconds each: the hourglass
    // until they end, the picker after.
    auto busy = std::make_shared<BusyCursor>();
    m_work.run(
        over,
        [computers = ComputerList(m_runner),
         listed = ComputerList::listed(m_lists.scanList, m_lists.recordList)] {
            return computers.names(listed);
        },
        [over, busy, chosen = std::move(chosen)](const QStringList &names) mutable {
            busy.reset();
            ComputerPicker picker(names, over);
            picker.exec();
            chosen(picker.chosen());
        });
}

void ToolCommands::applyToNeighbourTable(const QList<ArpBinding> &bindings,
                                         std::function<void(const ArpBindingCommand::Applied &)> report)
{
    // One pkexec a binding, each waiting for its authentication: the window
    // goes on meanwhile, with a bar of the bindings done, and neither list
    // can start another run until this one ends.
    const QStringList items{QStringLiteral("SMmenu161"), QStringLiteral("SMmenu162")};
    for (const QString &item : items)
        m_menus.action(item)->setEnabled(false);
    m_busy = std::make_unique<BusyCursor>();
    auto *bar = new QProgressDialog(QStringLiteral("Binding IP and MAC addresses..."), QString(), 0,
                                    int(bindings.size()), m_window);
    bar->setObjectName(QStringLiteral("BindingProgress"));
    bar->setMinimumDuration(0);
    bar->setValue(0);
    const QPointer<QObject> barGuard(bar);
    m_work.run(
        this,
        [binder = NeighbourBinder(m_runner), bindings, barGuard] {
            const QList<NeighbourBinder::Outcome> outcomes = binder.apply(bindings, [barGuard](int done) {
                WorkRunner::handBack(barGuard, [barGuard, done] {
                    static_cast<QProgressDialog *>(barGuard.data())->setValue(done);
                });
            });
            return ArpBindingCommand::Applied{NeighbourBinder::report(outcomes),
                                              NeighbourBinder::allApplied(outcomes)};
        },
        [this, items, barGuard, report = std::move(report)](const ArpBindingCommand::Applied &applied) {
            delete barGuard.data();
            m_busy.reset();
            for (const QString &item : items)
                m_menus.action(item)->setEnabled(true);
            report(applied);
        });
}
