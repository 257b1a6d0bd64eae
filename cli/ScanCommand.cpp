#include "ScanCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

#include "ConsolePrompt.h"
#include "DataFolder.h"
#include "ScanListModel.h"
#include "ScanRowPrinter.h"
#include "ScanRun.h"
#include "StopSignals.h"
#include "VendorResolver.h"

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "netkestrel-cli scan: %s\nTry 'netkestrel-cli scan --help'.\n", qPrintable(message));
    return 2;
}

bool intOption(const QCommandLineParser &parser, const QString &name, int low, int high, int *value,
               QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\".")
                     .arg(name)
                     .arg(low)
                     .arg(high)
                     .arg(parser.value(name));
        return false;
    }
    *value = v;
    return true;
}

} // namespace

int runScanCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Scans an address range and lists the hosts that answer."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("method"), QStringLiteral("arp (one /24 network, default) or udp (any range)."),
         QStringLiteral("arp|udp"), QStringLiteral("arp")},
        {QStringLiteral("from"), QStringLiteral("First address of the range."), QStringLiteral("A.B.C.D")},
        {QStringLiteral("to"), QStringLiteral("Last address of the range."), QStringLiteral("A.B.C.D")},
        {QStringLiteral("show-silent"), QStringLiteral("List hosts that did not answer as \"Non-Responded IP\".")},
        {QStringLiteral("pace-ms"),
         QStringLiteral("Pacing, 0 to 15 ms (default 15). Below 15 the scan runs in fast mode."),
         QStringLiteral("N")},
        {QStringLiteral("arp-timeout-ms"),
         QStringLiteral("How long an ARP request waits for its answer, 50 to 10000 ms (default 1000, fast "
                        "mode 300)."),
         QStringLiteral("N")},
        {QStringLiteral("data-dir"), QStringLiteral("The data folder (vendor data file of your own)."),
         QStringLiteral("DIR")},
        {QStringLiteral("format"),
         QStringLiteral("table (default), or kst: the lines of a scan result file, with the completion text on "
                        "standard error."),
         QStringLiteral("table|kst"), QStringLiteral("table")},
    });
    QStringList argv = arguments;
    argv.prepend(QStringLiteral("netkestrel-cli scan"));
    if (!parser.parse(argv))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments().first()));

    ScanMethod method;
    const QString methodName = parser.value(QStringLiteral("method"));
    if (methodName == QLatin1String("arp"))
        method = ScanMethod::Arp;
    else if (methodName == QLatin1String("udp"))
        method = ScanMethod::Udp;
    else
        return usageError(QStringLiteral("--method is arp or udp, not \"%1\".").arg(methodName));

    ScanRowPrinter::Format format;
    if (!ScanRowPrinter::parseFormat(parser.value(QStringLiteral("format")), &format))
        return usageError(QStringLiteral("--format is table or kst, not \"%1\".").arg(parser.value(QStringLiteral("format"))));

    if (!parser.isSet(QStringLiteral("from")) || !parser.isSet(QStringLiteral("to")))
        return usageError(QStringLiteral("give the range with --from A.B.C.D --to A.B.C.D."));

    QString error;
    int pace = HostSource::Pacing::DefaultPaceMs;
    if (!intOption(parser, QStringLiteral("pace-ms"), 0, HostSource::Pacing::DefaultPaceMs, &pace, &error))
        return usageError(error);
    HostSource::Pacing pacing = HostSource::Pacing::fromPace(pace);
    if (!intOption(parser, QStringLiteral("arp-timeout-ms"), 50, 10000, &pacing.arpTimeoutMs, &error))
        return usageError(error);

    const auto range = ScanRange::fromAddresses(parser.value(QStringLiteral("from")),
                                                parser.value(QStringLiteral("to")), method, &error);
    if (!range)
        return usageError(error);

    const VendorResolver vendors(DataFolder::resolve(parser.value(QStringLiteral("data-dir"))));
    ScanListModel list;
    ConsolePrompt prompt;
    ScanRun run(&list, &prompt);
    run.setPacing(pacing);
    run.setShowSilent(parser.isSet(QStringLiteral("show-silent")));
    run.setVendorLookup([&vendors](const QString &mac) { return vendors.vendorOf(mac); });

    ScanRowPrinter printer(format, stdout);
    printer.printHeader();
    QObject::connect(&run, &ScanRun::rowAppended, [&](int row) { printer.printRow(list.scanRow(row)); });

    // Progress for a person watching; never mixed into redirected output.
    if (::isatty(STDERR_FILENO)) {
        QObject::connect(&run, &ScanRun::statusTextChanged, [](const QString &text) {
            std::fprintf(stderr, "\r\033[K%s", qPrintable(text));
            std::fflush(stderr);
        });
    }

    StopSignals signals_;
    QObject::connect(&signals_, &StopSignals::stopRequested, &run, [&run](int count) {
        if (count > 1)
            QCoreApplication::exit(130);  // a second interrupt does not wait for the current host
        run.stop();
    });

    int status = 0;
    QObject::connect(&run, &ScanRun::finished, [&](const QString &completion) {
        if (::isatty(STDERR_FILENO))
            std::fputs("\r\033[K", stderr);
        if (completion.isEmpty()) {
            status = 1;
        } else {
            std::FILE *out = format == ScanRowPrinter::Format::Table ? stdout : stderr;
            std::fprintf(out, "%s\n", qPrintable(completion));
        }
        QCoreApplication::quit();
    });

    run.start(*range);
    const int loopStatus = QCoreApplication::exec();
    return loopStatus != 0 ? loopStatus : status;
}
