#include "WorkbookFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString scratchPath(const QString &path)
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("%1.~%2-%3").arg(path).arg(QCoreApplication::applicationPid()).arg(++next);
}

} // namespace

WorkbookFile::WorkbookFile(const QString &path) : m_path(path), m_scratchPath(scratchPath(path))
{
    m_workbook = workbook_new(QFile::encodeName(m_scratchPath).constData());
}

WorkbookFile::~WorkbookFile()
{
    if (m_workbook) {
        // Closing is the only way to free it; what it wrote goes.
        workbook_close(m_workbook);
        QFile::remove(m_scratchPath);
    }
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
    if (error != LXW_NO_ERROR) {
        QFile::remove(m_scratchPath);
        return fail(QString::fromUtf8(lxw_strerror(error)));
    }
    // rename() replaces an existing file in one step.
    if (std::rename(QFile::encodeName(m_scratchPath).constData(), QFile::encodeName(m_path).constData()) !=
        0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(m_scratchPath);
        return fail(cause);
    }
    return {};
}
