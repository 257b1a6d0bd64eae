#pragma once

#include <QString>

#include "mail/MailEncryption.h"
#include "platform/Result.h"

// The daily mail report's settings: the mail server and login, the message,
// and the schedule. Kept as texts in the "Netkestrel"/"SETTINGS" store (value
// names matched without regard to case), except the password: that lives in
// a file of its own beside the store, readable by its owner only, because the
// store itself is an ordinary settings file that other users may be able to
// read. A password found in the store under "PASS" (from an older version)
// is moved into that file the first time the settings are loaded.
struct ReportSettings
{
    static constexpr const char *Application = "Netkestrel";
    static constexpr const char *Section = "SETTINGS";

    bool useAuthentication = true; // "AUTH"
    QString smtpHost;              // "SMTPHost"
    int smtpPort = 25;             // "SMTPPort"
    QString user;                  // "USER"
    QString password;              // the password file
    QString sender;                // "SENDER"
    QString recipient;             // "Recipient": one address, or several separated by ";"
    QString subject;               // "Subject"
    QString message;               // "Message": opens every report
    bool isSend = false;           // "ISsend": send the daily report
    int hour = 17;                 // "Hour", 0 to 23
    int minute = 30;               // "Minute", 0 to 59
    bool isResult = true;          // "ISresult": send nothing when there are no findings
    MailEncryption encryption = DefaultMailEncryption; // "Encryption": none, starttls, tls
    QString caFile;                                    // "CAFile": a CA of one's own, PEM

    // Every value with its default where it is absent or unreadable; a
    // stored encryption, None too, is kept.
    static ReportSettings load();
    // Writes every value; fails when the password file cannot be written
    // (the other values are written all the same).
    Result<> save() const;

    static QString passwordFilePath();
    // The schedule as the text Hour:Minute without leading zeros ("9:5").
    QString scheduledText() const;
};
