#pragma once

#include <QString>

#include "scan/KeyedLines.h"

// Names the maker of a network card from its MAC address, for the scan run.
//
// The MA-L registry (24-bit prefixes) is the vendor data file wkcj.dll, read
// through LookupVendor. The longer assignments (28-bit MA-M, 36-bit MA-S and
// IAB), whose 24-bit parents only name the registration authority, come from
// the blocks file beside it; they are read once, when the resolver is made.
// After construction the resolver is immutable and may be used from any thread.
class VendorResolver
{
public:
    static constexpr const char *VendorFile = "wkcj.dll";
    static constexpr const char *BlocksFile = "wkcj-blocks.txt";

    // dataFolder: the program's data folder (may be empty). The data file is looked
    // up in the data folder first, then beside the executable
    // (QCoreApplication::applicationDirPath(), only if a QCoreApplication exists),
    // then in the installed share folder.
    explicit VendorResolver(const QString &dataFolder);

    QString vendorFileName() const; // full path of wkcj.dll found, or empty

    // macText: "00-0A-E4-20-53-55". Longest assigned block first (36-bit, then
    // 28-bit) from the blocks file next to wkcj.dll, else LookupVendor on wkcj.dll
    // with the first eight characters. Empty for anything that is not a MAC text.
    QString vendorOf(const QString &macText) const;

private:
    void readBlocks(const QString &path);
    QString blockVendor(const QString &prefix) const;

    QString m_vendorFile;
    KeyedLines m_blocks; // seven or nine upper-case hex digits, a tab, the organisation
};
