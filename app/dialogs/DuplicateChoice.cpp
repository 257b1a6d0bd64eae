#include "app/dialogs/DuplicateChoice.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char *const OptionCaptions[] = {
    "Ask when find duplicate IP or MAC",
    "Automatically overwrite the duplicate items",
    "Automatically skip the duplicate items",
};

} // namespace

DuplicateChoice::DuplicateChoice(const QString &matchArrayName, QWidget *matchParent, QGroupBox *optionsFrame)
{
    m_matchIp = new QCheckBox(QStringLiteral("Match IP"), matchParent);
    m_matchIp->setObjectName(matchArrayName + QLatin1String("_0"));
    m_matchIp->setChecked(true);
    m_matchMac = new QCheckBox(QStringLiteral("Match MAC"), matchParent);
    m_matchMac->setObjectName(matchArrayName + QLatin1String("_1"));
    // A click on either sets the other to the opposite state, so exactly one
    // stays ticked.
    QCheckBox *ip = m_matchIp;
    QCheckBox *mac = m_matchMac;
    QObject::connect(ip, &QCheckBox::clicked, mac, [mac](bool on) { mac->setChecked(!on); });
    QObject::connect(mac, &QCheckBox::clicked, ip, [ip](bool on) { ip->setChecked(!on); });

    auto *layout = new QVBoxLayout(optionsFrame);
    for (int k = 0; k < 3; ++k) {
        m_options[k] = new QRadioButton(QLatin1String(OptionCaptions[k]), optionsFrame);
        m_options[k]->setObjectName(QStringLiteral("OptAdd_%1").arg(k));
        layout->addWidget(m_options[k]);
    }
    m_options[0]->setChecked(true);
}

BatchItem::MatchBy DuplicateChoice::matchBy() const
{
    return m_matchIp->isChecked() ? BatchItem::MatchBy::IpAddress : BatchItem::MatchBy::MacAddress;
}

int DuplicateChoice::selectedOption() const
{
    for (int k = 0; k < 3; ++k) {
        if (m_options[k]->isChecked())
            return k;
    }
    return 0;
}
