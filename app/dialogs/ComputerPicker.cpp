#include "app/dialogs/ComputerPicker.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

ComputerPicker::ComputerPicker(const QStringList &names, QWidget *parent)
    : QDialog(parent), m_names(new QListWidget(this))
{
    setObjectName(QStringLiteral("ComputerPicker"));
    setWindowTitle(QStringLiteral("Select a network computer."));
    setModal(true);
    m_names->setObjectName(QStringLiteral("lstComputers"));
    m_names->addItems(names);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_names, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_names);
    layout->addWidget(buttons);
}

QString ComputerPicker::chosen() const
{
    const QListWidgetItem *item = m_names->currentItem();
    if (result() != Accepted || item == nullptr)
        return {};
    return QStringLiteral("\\\\") + item->text();
}
