#pragma once

#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class ExecNotifier;
class UrlNotifier;

// Where watch hands each change event and finding it reports: the JSON
// line of it, as --format json prints it, goes to the notifiers of the
// kinds chosen. Neither notifier ever holds the caller: a command runs on a
// thread of its own, a post is sent while the event loop runs.
class Notifiers : public QObject
{
    Q_OBJECT

public:
    // kinds: the words of the kinds passed on; empty: every kind.
    explicit Notifiers(const QSet<QString> &kinds = {}, QObject *parent = nullptr);
    ~Notifiers() override;

    // Each takes what it is given; its messages come out of status().
    void setExec(std::unique_ptr<ExecNotifier> exec);
    void setUrl(std::unique_ptr<UrlNotifier> url);
    bool isEmpty() const { return !m_exec && !m_url; }

    void notify(const QJsonObject &object);

Q_SIGNALS:
    void status(const QString &text);

private:
    QSet<QString> m_kinds;
    std::unique_ptr<ExecNotifier> m_exec;
    std::unique_ptr<UrlNotifier> m_url;
};
