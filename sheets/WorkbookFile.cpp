#include "sheets/WorkbookFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

WorkbookFile::WorkbookFile(const QString &path) : m_path(path)
{
    if (!m_scratchDir.isValid())
        return;
    m_scratchPath = m_scratchDir.filePath(QStringLiteral("workbook.xlsx"));
    m_scratchDirName = QFile::encodeName(m_scratchDir.path());
    lxw_workbook_options options = {};
    options.tmpdir = m_scratchDirName.data();
    m_workbook = workbook_new_opt(QFile::encodeName(m_scratchPath).constData(), &options);
}

WorkbookFile::~WorkbookFile()
{
    // Closing is the only way to free it; what it wrote goes with the folder.
    if (m_workbook)
        workbook_close(m_workbook);
}

Failure WorkbookFile::fail(const QString &cause) const
{
    return Failure{
        QStringLiteral("The file %1 cannot be written.\r\n%2").arg(QDir::toNativeSeparators(m_path), cause)};
}

Result<> WorkbookFile::commit()
{
    if (!m_workbook)
        return fail(QStringLiteral("The workbook cannot be made."));
    lxw_workbook *workbook = m_workbook;
    m_workbook = nullptr;
    const lxw_error closed = workbook_close(workbook);
    const lxw_error error = m_error != LXW_NO_ERROR ? m_error : closed;
    if (error != LXW_NO_ERROR)
        return fail(QString::fromUtf8(lxw_strerror(error)));
    return copyToTarget();
}

Result<> WorkbookFile::copyToTarget() const
{
    QFile scratch(m_scratchPath);
    if (!scratch.open(QIODevice::ReadOnly))
        return fail(scratch.errorString());
    QSaveFile target(m_path);
    if (!target.open(QIODevice::WriteOnly))
        return fail(target.errorString());
    char chunk[64 * 1024];
    for (;;) {
        const qint64 got = scratch.read(chunk, sizeof chunk);
        if (got < 0)
            return fail(scratch.errorString());
        if (got == 0)
            break;
        if (target.write(chunk, got) != got)
            return fail(target.errorString());
    }
    if (!target.commit())
        return fail(target.errorString());
    return {};
}
