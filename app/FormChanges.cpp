#include "FormChanges.h"

#include "ChangesListModel.h"
#include "ListView.h"

#include <QHeaderView>
#include <QVBoxLayout>

FormChanges::FormChanges(ChangesListModel *model, QWidget *parent)
    : QWidget(parent, Qt::Window),
      // Date/time, kind, IP and MAC at their usual widths; the sentence takes the rest.
      m_view(new ListView(model, QStringLiteral("ListViewChanges"), {2200, 1900, 1700, 2600, -1}, this))
{
    setObjectName(QStringLiteral("FormChanges"));
    setWindowTitle(QStringLiteral("Changes"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->fitColumnTo(ChangesListModel::MacColumn, QStringLiteral("00-0A-E4-20-53-55 (randomised)"));
    m_view->horizontalHeader()->setStretchLastSection(true);
    resize(900, 400);
}
