// Calls the host probes once, for the network test scripts:
//   host_probe ping ADDRESS TIMEOUT_MS      prints PingHost's result
//   host_probe nbstat ADDRESS SHOW_SILENT   prints MAC|host|workgroup|found
#include <QCoreApplication>

#include <cstdio>

#include "scan/NodeStatusProbe.h"
#include "scan/PingHost.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("ping")) {
        std::printf("%d\n", PingHost(args[2], args[3].toInt()));
        return 0;
    }
    if (args.size() == 4 && args[1] == QLatin1String("nbstat")) {
        NodeStatusResults results;
        int found = 0;
        NodeStatusProbe(args[2], args[3].toInt(), results, found);
        std::printf("%s|%s|%s|%d\n", qPrintable(results.mac), qPrintable(results.hostName),
                    qPrintable(results.workgroup), found);
        return 0;
    }
    std::fputs("usage: host_probe ping ADDRESS TIMEOUT_MS | nbstat ADDRESS SHOW_SILENT\n", stderr);
    return 2;
}
