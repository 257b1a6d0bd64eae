#include "scan/LinkListener.h"

LinkListener::LinkListener(QObject *parent) : QObject(parent) {}

LinkListener::~LinkListener() = default;

Result<std::unique_ptr<LinkListener>> LinkListener::open(const QString &interfaceName, QObject *)
{
    return Failure{QStringLiteral("Listening on %1 is not available in this build.").arg(interfaceName)};
}
