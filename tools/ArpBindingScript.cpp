#include "tools/ArpBindingScript.h"

#include <QDir>
#include <QSaveFile>

#include "lists/ListModel.h"
#include "lists/ScanRow.h"
#include "tools/ArpBindingCheck.h"

namespace {

constexpr int IpColumn = 1;
constexpr int MacColumn = 2;

} // namespace

QList<ArpBinding> ArpBindingScript::qualifyingRows(const ListModel &list, QList<int> *leftOut)
{
    QList<ArpBinding> bindings;
    for (const int row : list.checkedRows()) {
        const ArpBinding binding{list.text(row, IpColumn), list.text(row, MacColumn)};
        if (binding.mac == QLatin1String(ScanRow::NonRespondedMarker))
            continue;
        if (!ArpBindingCheck::refusal(binding).isEmpty()) {
            if (leftOut)
                leftOut->append(row + 1);
            continue;
        }
        bindings.append(binding);
    }
    return bindings;
}

QByteArray ArpBindingScript::text(const QList<ArpBinding> &bindings)
{
    QByteArray bytes;
    for (const ArpBinding &binding : bindings) {
        // Never a line that could carry a second command, whoever the caller.
        if (ArpBindingCheck::refusal(binding).isEmpty())
            bytes += QStringLiteral("arp -s %1 %2\r\n").arg(binding.ip, binding.mac).toUtf8();
    }
    return bytes;
}

Result<QString> ArpBindingScript::write(const QString &folder, const QString &fileName,
                                        const QList<ArpBinding> &bindings)
{
    const QString path = QDir(folder).filePath(fileName);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text(bindings)) < 0 || !file.commit())
        return Failure{QStringLiteral("The file %1 could not be written: %2.")
                           .arg(QDir::toNativeSeparators(path), file.errorString())};
    return path;
}
