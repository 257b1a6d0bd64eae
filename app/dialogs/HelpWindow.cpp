#include "app/dialogs/HelpWindow.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QLatin1String(Name));
    setWindowTitle(QStringLiteral("Netkestrel help"));
    setModal(false);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // The page's own sections only: nothing leaves the program from here.
    m_browser->setOpenExternalLinks(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(640, 560);
}

void HelpWindow::showPage(const QUrl &page)
{
    m_browser->setSource(page, QTextDocument::HtmlResource);
    show();
    raise();
    activateWindow();
}
