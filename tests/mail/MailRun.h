#pragma once

#include <QObject>
#include <QStringList>
#include <QTest>

#include "mail/clsSendMail.h"

// What a sender reported during one run: its status texts in order, its
// failure explanations and its successes.
struct MailRun
{
    QStringList statuses;
    QStringList failures;
    int successes = 0;
    QList<int> progress;

    explicit MailRun(clsSendMail &mail)
    {
        QObject::connect(&mail, &clsSendMail::Status, &mail,
                         [this](const QString &s) { statuses.append(s); });
        QObject::connect(&mail, &clsSendMail::SendFailed, &mail,
                         [this](const QString &s) { failures.append(s); });
        QObject::connect(&mail, &clsSendMail::SendSuccesful, &mail, [this] { ++successes; });
        QObject::connect(&mail, &clsSendMail::Progress, &mail, [this](int p) { progress.append(p); });
    }

    int outcomes() const { return successes + int(failures.size()); }

    // Until the send has ended and the connection is closed or kept idle.
    bool waitForEnd(const clsSendMail &mail, int outcomesWanted = 1, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return outcomes() >= outcomesWanted && !mail.isBusy(); }, timeoutMs);
    }
};
