#include "ArpBindingCommand.h"

#include "ArpBindingScript.h"
#include "DataFolder.h"
#include "ListModel.h"
#include "Prompt.h"

ArpBindingCommand::ArpBindingCommand(const QString &dataFolder, Prompt &prompt, Apply apply)
    : m_dataFolder(dataFolder), m_prompt(prompt), m_apply(std::move(apply))
{
}

QString ArpBindingCommand::generate(const ListModel &list, const QString &fileName) const
{
    if (list.count() == 0)
        return {};
    const QList<ArpBinding> bindings = ArpBindingScript::qualifyingRows(list);
    if (bindings.isEmpty()) {
        m_prompt.notice(QLatin1String(NothingSelectedText));
        return {};
    }
    if (const Result<> folder = DataFolder::ensureExists(m_dataFolder); !folder) {
        m_prompt.error(folder.error());
        return {};
    }
    const Result<QString> written = ArpBindingScript::write(m_dataFolder, fileName, bindings);
    if (!written) {
        m_prompt.error(written.error());
        return {};
    }
    const PromptAnswer answer = m_prompt.ask({QLatin1String(Prompt::NoticeTitle), QLatin1String(RunItNowText),
                                              PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Question});
    if (answer == PromptAnswer::Yes) {
        const Applied applied = m_apply(bindings);
        m_prompt.notice(applied.report, applied.complete ? PromptIcon::Information : PromptIcon::Exclamation);
    }
    return *written;
}
