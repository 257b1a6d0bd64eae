#include "app/dialogs/FormDatabaseConnection.h"

#include "history/HistoryRecorder.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

FormDatabaseConnection::FormDatabaseConnection(const DatabaseConnection &current, QWidget *parent)
    : QDialog(parent),
      m_file(new QRadioButton(QStringLiteral("The database file kestrel.mdb in the data folder"), this)),
      m_server(new QRadioButton(QStringLiteral("A database on a PostgreSQL server"), this)),
      m_url(new QLineEdit(current.url, this)),
      m_passwordFile(new QLineEdit(current.passwordFile, this)),
      m_site(new QLineEdit(current.site, this))
{
    setObjectName(QStringLiteral("FormDatabaseConnection"));
    setWindowTitle(QLatin1String(Title));
    m_file->setObjectName(QStringLiteral("OptFile"));
    m_server->setObjectName(QStringLiteral("OptServer"));
    m_url->setObjectName(QStringLiteral("UrlEdit"));
    m_url->setPlaceholderText(QStringLiteral("postgresql://USER@HOST:PORT/DBNAME"));
    m_passwordFile->setObjectName(QStringLiteral("PasswordFileEdit"));
    m_passwordFile->setPlaceholderText(QStringLiteral("PGPASSFILE or ~/.pgpass"));
    m_site->setObjectName(QStringLiteral("SiteEdit"));
    m_site->setPlaceholderText(HistoryRecorder::defaultSite());
    (current.isEmbedded() ? m_file : m_server)->setChecked(true);
    const auto enableServer = [this](bool on) {
        m_url->setEnabled(on);
        m_passwordFile->setEnabled(on);
    };
    enableServer(m_server->isChecked());
    connect(m_server, &QRadioButton::toggled, this, enableServer);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("URL:"), m_url);
    form->addRow(QStringLiteral("Password file:"), m_passwordFile);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_file);
    layout->addWidget(m_server);
    layout->addLayout(form);
    auto *note = new QLabel(QStringLiteral("The records, the analysis options, the host history and the "
                                           "acknowledgements are read and written there. The password is "
                                           "the first line of the password file. Over TCP the connection "
                                           "must be encrypted (sslmode=require unless the URL names "
                                           "another sslmode, such as verify-full with sslrootcert=CA file); "
                                           "sslmode=disable allows a plain one, whose password anyone on "
                                           "the way can read."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *siteForm = new QFormLayout;
    siteForm->addRow(QStringLiteral("Site:"), m_site);
    layout->addLayout(siteForm);
    auto *siteNote = new QLabel(QStringLiteral("The window's scans are recorded in the host history under "
                                               "this site, and its email report names it."),
                                this);
    siteNote->setWordWrap(true);
    layout->addWidget(siteNote);
    layout->addWidget(buttons);
}

DatabaseConnection FormDatabaseConnection::connection() const
{
    const QString site = m_site->text().trimmed();
    if (m_file->isChecked())
        return {QString(), QString(), site};
    return {m_url->text().trimmed(), m_passwordFile->text().trimmed(), site};
}

std::optional<DatabaseConnection> FormDatabaseConnection::ask(const DatabaseConnection &current,
                                                              QWidget *parent)
{
    FormDatabaseConnection dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.connection();
}
