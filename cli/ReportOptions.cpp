#include "cli/ReportOptions.h"

#include "cli/PasswordFile.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

struct TextFlag
{
    const char *name;
    const char *help;
    QString ReportSettings::*field;
};

const TextFlag TextFlags[] = {
    {"smtp-host", "The outgoing mail server.", &ReportSettings::smtpHost},
    {"user", "The user name of the SMTP login.", &ReportSettings::user},
    {"sender", "The sender address.", &ReportSettings::sender},
    {"recipient", "The recipient address (several separated by \";\").", &ReportSettings::recipient},
    {"subject", "The subject line.", &ReportSettings::subject},
    {"message", "The message text that opens the report.", &ReportSettings::message},
    {"ca-file", "A certificate authority (PEM) to trust besides the system's.", &ReportSettings::caFile},
};

} // namespace

namespace ReportOptions {

void addTo(QCommandLineParser &parser)
{
    for (const TextFlag &flag : TextFlags)
        parser.addOption({QLatin1String(flag.name), QLatin1String(flag.help), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("smtp-port"), QStringLiteral("The port of the mail server."),
                      QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("password-file"),
                      QStringLiteral("A file that holds the password of the SMTP login (its first line)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("auth"), QStringLiteral("1: log in with AUTH LOGIN, 0: do not."),
                      QStringLiteral("0|1")});
    parser.addOption({QStringLiteral("encryption"),
                      QStringLiteral("starttls (the default where the settings name none), tls (encrypted "
                                     "from the first byte), or none: the login's password then travels in "
                                     "clear."),
                      QStringLiteral("MODE")});
}

Result<> apply(const QCommandLineParser &parser, ReportSettings *settings)
{
    for (const TextFlag &flag : TextFlags) {
        if (parser.isSet(QLatin1String(flag.name)))
            settings->*flag.field = parser.value(QLatin1String(flag.name));
    }
    if (parser.isSet(QStringLiteral("smtp-port"))) {
        bool ok = false;
        const int port = parser.value(QStringLiteral("smtp-port")).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            return Failure{QStringLiteral("--smtp-port takes a port from 1 to 65535.")};
        }
        settings->smtpPort = port;
    }
    if (parser.isSet(QStringLiteral("auth"))) {
        const QString auth = parser.value(QStringLiteral("auth"));
        if (auth != QLatin1String("0") && auth != QLatin1String("1")) {
            return Failure{QStringLiteral("--auth takes 0 or 1, not \"%1\".").arg(auth)};
        }
        settings->useAuthentication = auth == QLatin1String("1");
    }
    if (parser.isSet(QStringLiteral("encryption"))) {
        const auto encryption = parseEncryption(parser.value(QStringLiteral("encryption")));
        if (!encryption) {
            return Failure{QStringLiteral("--encryption takes none, starttls or tls, not \"%1\".")
                               .arg(parser.value(QStringLiteral("encryption")))};
        }
        settings->encryption = *encryption;
    }
    if (parser.isSet(QStringLiteral("password-file"))) {
        QFile file(parser.value(QStringLiteral("password-file")));
        if (!file.open(QIODevice::ReadOnly)) {
            return Failure{QStringLiteral("The password file %1 cannot be read: %2")
                               .arg(file.fileName(), file.errorString())};
        }
        // Only the first line counts: a file that is no password file (a
        // device, a large log) is not read to its end.
        const QByteArray text = file.readLine(PasswordFile::MaxBytes);
        settings->password = QString::fromUtf8(text).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    }
    return {};
}

} // namespace ReportOptions
