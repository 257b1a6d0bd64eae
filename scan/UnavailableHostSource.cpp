#include "UnavailableHostSource.h"

#include <QMetaObject>

#include "Prompt.h"

void UnavailableHostSource::begin()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            Q_EMIT failed(QLatin1String(Prompt::ErrorTitle),
                          QStringLiteral("This build of Netkestrel cannot scan with this method."));
        },
        Qt::QueuedConnection);
}
