#pragma once

#include <QDialog>

#include <optional>

#include "app/dialogs/DatabaseConnection.h"

class QLineEdit;
class QRadioButton;

// Asks where the window's record store lives: the embedded file of the data
// folder, or a PostgreSQL server by its URL, with an optional password file.
// The server's boxes are enabled only while the server is chosen. Below them,
// the window's site, whichever store is chosen; an empty box is the
// machine's host name, which it shows as its placeholder. Widgets carry
// object names (OptFile, OptServer, UrlEdit, PasswordFileEdit, SiteEdit) for
// tests.
class FormDatabaseConnection : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *Title = "Database Connection";

    explicit FormDatabaseConnection(const DatabaseConnection &current, QWidget *parent = nullptr);

    // The choice as the boxes show it, trimmed; the URL and password file are
    // dropped when the file is chosen.
    DatabaseConnection connection() const;

    // Runs the dialog modally over parent; nothing when it was cancelled.
    static std::optional<DatabaseConnection> ask(const DatabaseConnection &current, QWidget *parent);

private:
    QRadioButton *m_file;
    QRadioButton *m_server;
    QLineEdit *m_url;
    QLineEdit *m_passwordFile;
    QLineEdit *m_site;
};
