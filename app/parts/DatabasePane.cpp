#include "app/parts/DatabasePane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/ListView.h"

DatabasePane::DatabasePane(ListView *recordList, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture4"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->addWidget(recordList, 1);
    auto *buttons = new QVBoxLayout;
    const char *const names[][2] = {{"CmdAdd", "Add"},     {"CmdMod", "Modify"}, {"CmdDel", "Delete"},
                                    {"CmdBack", "Backup"}, {"CmdFindR", "Find"}, {"CmdPing", "Ping"}};
    for (const auto &entry : names) {
        auto *button = new QPushButton(QLatin1String(entry[1]), this);
        button->setObjectName(QLatin1String(entry[0]));
        button->setAutoDefault(false);
        buttons->addWidget(button);
        m_buttons.insert(QLatin1String(entry[0]), button);
    }
    buttons->addStretch();
    row->addLayout(buttons);
}
