#include "records/ImportRowCheck.h"

#include <QStringList>

#include "lists/RowNumberText.h"
#include "lists/ScanRow.h"
#include "records/RecordValidation.h"

namespace {

QString faultText(ImportRowCheck::Fault fault)
{
    switch (fault) {
    case ImportRowCheck::Fault::Empty:
        return QStringLiteral("no IP or no MAC address");
    case ImportRowCheck::Fault::InvalidIp:
        return QStringLiteral("invalid IP address");
    case ImportRowCheck::Fault::InvalidMac:
        break;
    }
    return QStringLiteral("invalid MAC address");
}

} // namespace

bool ImportRowCheck::admit(PresetRecord *record, int rowNumber)
{
    const auto refuse = [&](Fault fault) {
        m_skipped.append({rowNumber, fault});
        return false;
    };
    // In the editor's order, so a row gets the message the editor would give.
    if (record->ipAddress.trimmed().isEmpty() || record->macAddress.trimmed().isEmpty())
        return refuse(Fault::Empty);
    if (!RecordValidation::isValidIp(record->ipAddress))
        return refuse(Fault::InvalidIp);
    if (m_silentHosts == SilentHosts::Kept &&
        record->macAddress == QLatin1String(ScanRow::NonRespondedMarker))
        return true;
    const std::optional<QString> mac = RecordValidation::scanFormMac(record->macAddress);
    if (!mac)
        return refuse(Fault::InvalidMac);
    record->macAddress = *mac;
    return true;
}

QString ImportRowCheck::summary() const
{
    if (m_skipped.isEmpty())
        return {};
    QStringList parts;
    for (const Fault fault : {Fault::Empty, Fault::InvalidIp, Fault::InvalidMac}) {
        QList<int> rows;
        for (const Skipped &skipped : m_skipped) {
            if (skipped.fault == fault)
                rows.append(skipped.rowNumber);
        }
        if (!rows.isEmpty())
            parts.append(faultText(fault) + QStringLiteral(" in ") + rowNumberText(rows));
    }
    const QString count = m_skipped.size() == 1 ? QStringLiteral("1 row was")
                                                : QStringLiteral("%1 rows were").arg(m_skipped.size());
    return count + QStringLiteral(" skipped: ") + parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

QString ImportRowCheck::closingText(const char *designText) const
{
    const QString text = QLatin1String(designText);
    return m_skipped.isEmpty() ? text : text + QStringLiteral("\r\n") + summary();
}
