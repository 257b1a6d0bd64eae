// Listens on an interface through LinkListener, for the network test scripts
// and the listening benchmark:
//   listen_probe IFNAME SECONDS
// prints "listening" once the helper has taken the request, then one line
// per heard frame (KIND ADDRESS MAC), and at the end "lost: MESSAGE" or
// "heard N" (the frames told in SECONDS).
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

#include "scan/LinkListener.h"

namespace {

const char *kindWord(HeardFrame::Kind kind)
{
    constexpr const char *words[] = {"arp-request", "arp-reply", "arp-probe", "arp-announcement",
                                     "ns",          "na",        "dad"};
    return words[int(kind)];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: listen_probe IFNAME SECONDS\n", stderr);
        return 2;
    }
    Result<std::unique_ptr<LinkListener>> listener = LinkListener::open(args[1]);
    if (!listener) {
        std::printf("%s\n", qPrintable(listener.error()));
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    long count = 0;
    QObject::connect(listener->get(), &LinkListener::heard, [&](const HeardFrame &frame) {
        ++count;
        std::printf("%s %s %s\n", kindWord(frame.kind), qPrintable(frame.address),
                    qPrintable(frame.macAddress));
        std::fflush(stdout);
    });
    QObject::connect(listener->get(), &LinkListener::lost, [&](const QString &message) {
        std::printf("lost: %s\n", qPrintable(message));
        app.exit(3);
    });
    QTimer::singleShot(args[2].toInt() * 1000, &app, [&] {
        std::printf("heard %ld\n", count);
        app.quit();
    });
    return app.exec();
}
