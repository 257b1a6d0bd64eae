#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "platform/Result.h"

// The kinds of what the notifiers pass on: the words of the change events
// (ChangeEvent::allKinds) and those of the analysis's findings, as the
// "kind" of their JSON lines names them.
namespace NotifyKinds {

// Every word, the change events' first, in their own order.
QStringList allWords();

// A list such as "ip-conflict,new-station": the words it names (blanks
// around a word do not count). A word that is no kind is refused with the
// valid ones, so that a typing slip never silences a notifier.
Result<QSet<QString>> parse(const QString &list);

} // namespace NotifyKinds
