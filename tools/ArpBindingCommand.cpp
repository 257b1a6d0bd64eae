#include "tools/ArpBindingCommand.h"

#include "lists/ListModel.h"
#include "lists/RowNumberText.h"
#include "platform/DataFolder.h"
#include "platform/Prompt.h"
#include "tools/ArpBindingScript.h"

namespace {

// The message, and on a line of its own the ticked rows that were left out.
QString withLeftOut(const QString &text, const QList<int> &leftOut)
{
    if (leftOut.isEmpty())
        return text;
    return text + QStringLiteral("\r\n") +
           QStringLiteral("%1 left out for an IP or MAC address that is not valid: %2.")
               .arg(leftOut.size() == 1 ? QStringLiteral("1 ticked row was")
                                        : QStringLiteral("%1 ticked rows were").arg(leftOut.size()),
                    rowNumberText(leftOut));
}

} // namespace

ArpBindingCommand::ArpBindingCommand(const QString &dataFolder, Prompt &prompt, Apply apply)
    : m_dataFolder(dataFolder), m_prompt(prompt), m_apply(std::move(apply))
{
}

QString ArpBindingCommand::generate(const ListModel &list, const QString &fileName) const
{
    if (list.count() == 0)
        return {};
    QList<int> leftOut;
    const QList<ArpBinding> bindings = ArpBindingScript::qualifyingRows(list, &leftOut);
    if (bindings.isEmpty()) {
        m_prompt.notice(withLeftOut(QLatin1String(NothingSelectedText), leftOut));
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
    const PromptAnswer answer =
        m_prompt.ask({QLatin1String(Prompt::NoticeTitle), withLeftOut(QLatin1String(RunItNowText), leftOut),
                      PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Question});
    if (answer == PromptAnswer::Yes) {
        m_apply(bindings, [&prompt = m_prompt](const Applied &applied) {
            prompt.notice(applied.report,
                          applied.complete ? PromptIcon::Information : PromptIcon::Exclamation);
        });
    }
    return *written;
}
