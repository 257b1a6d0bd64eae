#include "notify/NotifyKinds.h"

#include "analysis/FindingText.h"
#include "history/ChangeEvent.h"

namespace NotifyKinds {

QStringList allWords()
{
    QStringList words;
    for (const ChangeEvent::Kind kind : ChangeEvent::allKinds())
        words.append(ChangeEvent::kindWord(kind));
    for (const char *word : {FindingText::IpNotPreset, FindingText::IpOtherMac, FindingText::MacNotRecorded,
                             FindingText::MacOtherIp})
        words.append(QLatin1String(word));
    return words;
}

Result<QSet<QString>> parse(const QString &list)
{
    const QStringList valid = allWords();
    QSet<QString> kinds;
    for (const QString &part : list.split(QLatin1Char(','))) {
        const QString word = part.trimmed();
        if (word.isEmpty())
            continue;
        if (!valid.contains(word))
            return Failure{QStringLiteral("--notify-kinds: \"%1\" is no kind; the kinds are %2.")
                               .arg(word, valid.join(QLatin1String(", ")))};
        kinds.insert(word);
    }
    if (kinds.isEmpty())
        return Failure{QStringLiteral("--notify-kinds names no kind; the kinds are %1.")
                           .arg(valid.join(QLatin1String(", ")))};
    return kinds;
}

} // namespace NotifyKinds
