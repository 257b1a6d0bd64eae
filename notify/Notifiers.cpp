#include "notify/Notifiers.h"

#include "notify/ExecNotifier.h"
#include "notify/UrlNotifier.h"

#include <QJsonDocument>

Notifiers::Notifiers(const QSet<QString> &kinds, QObject *parent) : QObject(parent), m_kinds(kinds) {}

Notifiers::~Notifiers() = default;

void Notifiers::setExec(std::unique_ptr<ExecNotifier> exec)
{
    m_exec = std::move(exec);
    connect(m_exec.get(), &ExecNotifier::status, this, &Notifiers::status);
}

void Notifiers::setUrl(std::unique_ptr<UrlNotifier> url)
{
    m_url = std::move(url);
    connect(m_url.get(), &UrlNotifier::status, this, &Notifiers::status);
    m_url->start();
}

void Notifiers::notify(const QJsonObject &object)
{
    if (isEmpty() ||
        (!m_kinds.isEmpty() && !m_kinds.contains(object.value(QLatin1String("kind")).toString())))
        return;
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    if (m_exec) {
        if (const Result<> passed = m_exec->notify(line); !passed)
            Q_EMIT status(passed.error());
    }
    if (m_url) {
        if (const Result<> kept = m_url->notify(line); !kept)
            Q_EMIT status(kept.error());
    }
}
