#include "app/dialogs/FormChanges.h"

#include "app/widgets/ListView.h"
#include "lists/ChangesListModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QVBoxLayout>

FormChanges::FormChanges(ChangesListModel *model, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_sites(new QComboBox(this)),
      // Date/time, site, kind, IP and MAC at their usual widths; the sentence takes the rest.
      m_view(new ListView(model, QStringLiteral("ListViewChanges"), {2200, 1500, 1900, 1700, 2600, -1}, this))
{
    setObjectName(QStringLiteral("FormChanges"));
    setWindowTitle(QStringLiteral("Changes"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_sites->setObjectName(QStringLiteral("ComboSite"));
    m_sites->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSites({});
    connect(m_sites, &QComboBox::activated, this, [this] { emit siteChosen(site()); });
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 6, 6, 0);
    bar->addWidget(m_sites);
    bar->addStretch();
    layout->addLayout(bar);
    layout->addWidget(m_view);
    m_view->fitColumnTo(ChangesListModel::MacColumn, QStringLiteral("00-0A-E4-20-53-55 (randomised)"));
    m_view->horizontalHeader()->setStretchLastSection(true);
    resize(900, 400);
}

void FormChanges::setSites(const QStringList &sites)
{
    const QString chosen = site();
    const QSignalBlocker blocker(m_sites);
    m_sites->clear();
    // The site's name is the item's data, so that a site that happens to be
    // called "All sites" is still one site.
    m_sites->addItem(QLatin1String(AllSites), QString());
    for (const QString &one : sites)
        m_sites->addItem(one, one);
    const int keep = chosen.isEmpty() ? 0 : m_sites->findData(chosen);
    m_sites->setCurrentIndex(keep < 0 ? 0 : keep);
}

QString FormChanges::site() const
{
    return m_sites->currentData().toString();
}
