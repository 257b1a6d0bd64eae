#include "app/desktop/QtFileDialog.h"

#include <QFileDialog>

QStringList QtFileDialog::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const QString pattern = parts.at(i + 1).trimmed();
        if (pattern.isEmpty())
            continue;
        const QString suffix = QStringLiteral("(%1)").arg(pattern);
        filters.append(description.endsWith(suffix) ? description : description + QLatin1Char(' ') + suffix);
    }
    if (filters.isEmpty() && !filter.trimmed().isEmpty())
        filters.append(filter.trimmed()); // a lone description such as "Backup (*.KSBK)"
    return filters;
}

QString QtFileDialog::choose(const FileDialogRequest &request)
{
    QFileDialog dialog(m_owner, request.title, request.startFolder);
    const bool saving = request.mode == FileDialogMode::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(nameFilters(request.filter));
    dialog.setDefaultSuffix(request.extension());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().trimmed();
}
