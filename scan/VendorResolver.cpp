#include "scan/VendorResolver.h"

#include "scan/LegacyText.h"
#include "scan/LookupVendor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

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
    if (const auto found = m_blocks36.constFind(digits.left(9)); found != m_blocks36.constEnd())
        return *found;
    if (const auto found = m_blocks28.constFind(digits.left(7)); found != m_blocks28.constEnd())
        return *found;
    if (m_vendorFile.isEmpty())
        return {};
    return LookupVendor(m_vendorFile, macText.left(8));
}

// Lines: seven or nine upper-case hex digits, a tab, the organisation; CR LF
// or LF ends. Malformed or nameless lines are skipped, so the 24-bit name
// stands; the first of two equal prefixes wins.
// A missing blocks file leaves only the 24-bit names.
void VendorResolver::readBlocks(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const QByteArrayView all(bytes);
    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = all.indexOf('\n', pos);
        if (end < 0)
            end = all.size();
        QByteArrayView line = all.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);

        const qsizetype tab = line.indexOf('\t');
        if (tab < 0 || !isBlockPrefix(line.first(tab)))
            continue;
        const QString prefix = QString::fromLatin1(line.first(tab));
        const QString organisation = decodeLegacyText(line.sliced(tab + 1)).trimmed();
        if (organisation.isEmpty())
            continue;
        QHash<QString, QString> &blocks = prefix.size() == 9 ? m_blocks36 : m_blocks28;
        if (!blocks.contains(prefix))
            blocks.insert(prefix, organisation);
    }
}
