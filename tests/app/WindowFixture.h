#pragma once

#include <QTemporaryDir>

#include <memory>
#include <optional>

#include "analysis/AnalysisOptionsStore.h"
#include "app/window/FormMain.h"
#include "records/RecordStore.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedProgramRunner.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/ScriptedWorkRunner.h"

// Every window a test starts finds the automatic mode off in its data folder:
// an empty T_set switches it on, and its step would scan the window's default
// range, the machine's own network. The other stored options are kept, so a
// test can start a window again and find what the last one saved.
inline bool storeAutoScanOff(const QString &dataFolder)
{
    RecordStore store(dataFolder);
    AnalysisOptionsStore options(store);
    Result<AnalysisOptions> values = options.LoadAnalysisOptions();
    if (!values)
        return false;
    values->autoScan = false;
    return options.SaveAnalysisOptions(*values).ok();
}

// What every window test sets up: a temporary folder for the data folder and
// the XDG config and data folders (nothing of the user's own is read or
// written), a scripted prompt, desktop and program runner, and the window's
// options over them. Magic packets go to the discard port on loopback, never
// to this machine's networks. Make one per test function (init), so each starts from nothing.
class WindowFixture
{
public:
    static constexpr const char *ProgramPath = "/opt/nk/netkestrel";

    WindowFixture()
    {
        qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("share")).toUtf8());
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString dataFolder() const { return path(QStringLiteral("data")); }

    FormMain::Options options(std::optional<bool> tray = false)
    {
        FormMain::Options options;
        options.dataFolder = dataFolder();
        options.autostartFolder = path(QStringLiteral("config/autostart"));
        options.executablePath = QLatin1String(ProgramPath);
        options.prompt = &prompt;
        options.desktop = &desktop;
        options.programRunner = &runner;
        options.workRunner = &work;
        options.wakeDestination = {QHostAddress(QHostAddress::LocalHost), 9};
        options.trayAvailable = tray;
        return options;
    }

    // With the automatic mode stored off first (see storeAutoScanOff).
    std::unique_ptr<FormMain> makeWindow(std::optional<bool> tray = false)
    {
        if (!storeAutoScanOff(dataFolder()))
            qFatal("the automatic mode cannot be stored off");
        return std::make_unique<FormMain>(options(tray));
    }

    ScriptedPrompt prompt;
    ScriptedDesktopServices desktop;
    ScriptedProgramRunner runner;
    ScriptedWorkRunner work;

private:
    QTemporaryDir m_dir;
};
