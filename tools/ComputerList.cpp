#include "tools/ComputerList.h"

#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "platform/ProgramRunner.h"

#include <QRegularExpression>

namespace {

constexpr std::chrono::seconds BrowseTimeout{5};

void addColumn(QStringList &names, const ListModel &list, int column)
{
    for (int row = 0; row < list.count(); ++row)
        names << list.text(row, column).trimmed();
}

QStringList matches(const QRegularExpression &pattern, const QByteArray &output)
{
    QStringList found;
    auto it = pattern.globalMatch(QString::fromLocal8Bit(output));
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

} // namespace

ComputerList::ComputerList(ProgramRunner &runner) : m_runner(runner) {}

QStringList ComputerList::fromSmbtree(const QByteArray &output)
{
    // Workgroups start a line, servers are indented once, shares twice.
    static const QRegularExpression server(QStringLiteral("^\\t\\\\\\\\([^\\s\\\\]+)"),
                                           QRegularExpression::MultilineOption);
    return matches(server, output);
}

QStringList ComputerList::fromNmblookup(const QByteArray &output)
{
    // "198.18.7.10 *<00>" answers, then each one's unique <00> name.
    static const QRegularExpression address(QStringLiteral("^(\\d+\\.\\d+\\.\\d+\\.\\d+) \\S+<00>"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression name(QStringLiteral("^\\s+(\\S+)\\s+<00> - +[BMHP] "),
                                         QRegularExpression::MultilineOption);
    return matches(address, output) + matches(name, output);
}

QStringList ComputerList::names(const ListModel &scanList, const ListModel &recordList) const
{
    return names(listed(scanList, recordList));
}

QStringList ComputerList::listed(const ListModel &scanList, const ListModel &recordList)
{
    QStringList names;
    addColumn(names, scanList, ScanListModel::HostColumn);
    addColumn(names, scanList, ScanListModel::IpColumn);
    // The record list's host name is its fourth column, after the number, the address and the MAC.
    addColumn(names, recordList, RecordListModel::MacColumn + 1);
    addColumn(names, recordList, RecordListModel::IpColumn);
    return names;
}

QStringList ComputerList::names(QStringList names) const
{
    ProgramRun smbtree{QStringLiteral("smbtree"), {QStringLiteral("-N")}, {}, BrowseTimeout};
    names += fromSmbtree(m_runner.run(smbtree).standardOutput);
    ProgramRun nmblookup{
        QStringLiteral("nmblookup"), {QStringLiteral("-S"), QStringLiteral("*")}, {}, BrowseTimeout};
    names += fromNmblookup(m_runner.run(nmblookup).standardOutput);

    names.removeAll(QString());
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QStringList unique;
    for (const QString &name : std::as_const(names)) {
        if (unique.isEmpty() || unique.last().compare(name, Qt::CaseInsensitive) != 0)
            unique << name;
    }
    return unique;
}
