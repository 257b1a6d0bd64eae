#include "platform/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Characters that make an Exec argument need double quotes (desktop entry rules).
bool needsQuoting(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return false;
}

QString quoteArgument(const QString &argument)
{
    if (!needsQuoting(argument))
        return argument;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// A string value of a desktop file: backslash escapes on top of the Exec quoting.
QString escapeValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString unescapeValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else
            out += next;
    }
    return out;
}

} // namespace

AutostartEntry::AutostartEntry(const QString &folder) : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
}

QString AutostartEntry::defaultFolder()
{
    // GenericConfigLocation follows $XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString AutostartEntry::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(EntryName) + QStringLiteral(".desktop");
}

QString AutostartEntry::ownCommand(const QString &executablePath)
{
    return quoteArgument(executablePath) + QStringLiteral(" mini");
}

Result<> AutostartEntry::write(const QString &command)
{
    if (!QDir().mkpath(m_folder))
        return Failure{QStringLiteral("Cannot create the folder %1").arg(m_folder)};
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return Failure{file.errorString()};
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Netkestrel\n"
                                        "Comment=Starts Netkestrel in the tray at logon\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(escapeValue(command));
    file.write(text.toUtf8());
    if (!file.commit())
        return Failure{file.errorString()};
    return {};
}

QString AutostartEntry::readCommand() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inMainGroup = false;
    QString exec;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return {};
        if (key == QLatin1String("Exec"))
            exec = unescapeValue(value);
    }
    return exec;
}

Result<> AutostartEntry::remove()
{
    QFile file(filePath());
    if (!file.exists() || file.remove())
        return {};
    return Failure{file.errorString()};
}
