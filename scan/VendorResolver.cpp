#include "scan/VendorResolver.h"

#include "scan/LegacyText.h"
#include "scan/LookupVendor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

#ifndef NETKESTREL_SHARE_DIR
#error "NETKESTREL_SHARE_DIR must name the installed data folder"
#endif

namespace {

bool isUpperHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// "00-0A-E4-20-53-55": six upper-case hex pairs joined by "-", as the scan
// writes MAC texts. The hex digits alone, or empty for anything else.
QString macDigits(const QString &macText)
{
    if (macText.size() != 17)
        return {};
    QString digits;
    digits.reserve(12);
    for (qsizetype i = 0; i < macText.size(); ++i) {
        const QChar c = macText.at(i);
        if (i % 3 == 2) {
            if (c != u'-')
                return {};
        } else {
            if (!isUpperHex(c))
                return {};
            digits.append(c);
        }
    }
    return digits;
}

bool isBlockPrefix(QByteArrayView prefix)
{
    if (prefix.size() != 7 && prefix.size() != 9)
        return false;
    for (char c : prefix) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// Lines: seven or nine upper-case hex digits, a tab, the organisation.
// Malformed or nameless lines are no records, so the 24-bit name stands.
QByteArrayView blockPrefixOf(QByteArrayView line)
{
    const qsizetype tab = line.indexOf('\t');
    if (tab < 0 || !isBlockPrefix(line.first(tab)))
        return {};
    const QByteArrayView organisation = line.sliced(tab + 1);
    const bool named =
        std::any_of(organisation.begin(), organisation.end(), [](char c) { return c != ' ' && c != '\t'; });
    return named ? line.first(tab) : QByteArrayView();
}

} // namespace

VendorResolver::VendorResolver(const QString &dataFolder)
{
    QStringList folders;
    if (!dataFolder.isEmpty())
        folders << dataFolder;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();
    folders << QStringLiteral(NETKESTREL_SHARE_DIR);

    for (const QString &folder : std::as_const(folders)) {
        const QFileInfo candidate{QDir(folder), QLatin1String(VendorFile)};
        if (candidate.isFile()) {
            m_vendorFile = candidate.absoluteFilePath();
            readBlocks(candidate.dir().filePath(QLatin1String(BlocksFile)));
            break;
        }
    }
}

QString VendorResolver::vendorFileName() const
{
    return m_vendorFile;
}

QString VendorResolver::vendorOf(const QString &macText) const
{
    const QString digits = macDigits(macText);
    if (digits.isEmpty())
        return {};
    if (const QString block = blockVendor(digits.left(9)); !block.isEmpty())
        return block;
    if (const QString block = blockVendor(digits.left(7)); !block.isEmpty())
        return block;
    if (m_vendorFile.isEmpty())
        return {};
    return LookupVendor(m_vendorFile, macText.left(8));
}

// A missing blocks file leaves only the 24-bit names.
void VendorResolver::readBlocks(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_blocks = KeyedLines(file.readAll(), blockPrefixOf);
}

QString VendorResolver::blockVendor(const QString &prefix) const
{
    const std::optional<QByteArrayView> line = m_blocks.lineOf(prefix.toLatin1());
    return line ? decodeLegacyText(line->sliced(prefix.size() + 1)).trimmed() : QString();
}
