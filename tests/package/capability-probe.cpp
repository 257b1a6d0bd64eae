// Code that a caller slips into a Netkestrel program (a library named by
// NETKESTREL_MAC_LIBRARY, a Qt plugin in a folder named by QT_PLUGIN_PATH or
// QT_QPA_PLATFORM_PLUGIN_PATH): when it is loaded it writes the program and
// the CapPrm and CapEff lines of /proc/self/status to PROBE_OUTPUT, so the
// package stage sees with which capabilities the caller's code ran. Built by
// installed-package.sh with g++: a plain library, or with PROBE_SQL_DRIVER or
// PROBE_PLATFORM (and moc) a Qt plugin: the SQLite driver, which Qt takes
// from QT_PLUGIN_PATH before its own, or the platform "capability-probe",
// which Qt looks for in QT_QPA_PLATFORM_PLUGIN_PATH when QT_QPA_PLATFORM
// names it.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

__attribute__((constructor)) static void noteCapabilities()
{
    std::string note = "exe ";
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) > 0)
        note += exe;
    note += '\n';
    if (FILE *status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, "CapPrm:", 7) == 0 || std::strncmp(line, "CapEff:", 7) == 0)
                note += line;
        }
        std::fclose(status);
    }
    const int out = open(PROBE_OUTPUT, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        [[maybe_unused]] const ssize_t written = write(out, note.data(), note.size());
        close(out);
    }
}

#if defined(PROBE_SQL_DRIVER) || defined(PROBE_PLATFORM)
#include <QObject>

// Only the metadata matters: Qt loads the library before it asks the object
// for the interface, which this one does not have; the SQLite store then
// fails, and the window goes on to the next platform that QT_QPA_PLATFORM
// names.
class CapabilityProbe : public QObject
{
    Q_OBJECT
#if defined(PROBE_SQL_DRIVER)
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QSqlDriverFactoryInterface" FILE "probe-sqldriver.json")
#else
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface.5.3" FILE
                          "probe-platform.json")
#endif
};

#include "capability-probe.moc"
#endif
