#include "cli/RecordsCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsolePrompt.h"
#include "cli/DataDirOption.h"
#include "cli/DatabaseOption.h"
#include "cli/ImportScanCommand.h"
#include "cli/SheetCommands.h"
#include "lists/RecordListModel.h"
#include "platform/DataFolder.h"
#include "platform/ProgramState.h"
#include "platform/TerminalText.h"
#include "records/FindNextInList.h"
#include "records/RecordCommands.h"
#include "records/RecordEditor.h"
#include "records/RecordStore.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

namespace {

int usageError(const QString &message)
{
    return CommandLine(QStringLiteral("records")).usageError(message);
}

const char Usage[] =
    "Usage: netkestrel-cli records COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  list                 the record list in load order, one record a line, tab-separated:\n"
    "                       running number, the nine fields, ID\n"
    "  add FIELDS           add a record (--ip and --mac are required); prints the new ID\n"
    "  modify ID FIELDS     change a record; fields not given keep their values\n"
    "  delete ID...         delete the records with these IDs; naming them answers the\n"
    "                       confirmation, IDs that are not in the list are skipped\n"
    "  find TEXT [--whole] [--case]\n"
    "                       the rows of the record list that contain TEXT in any column\n"
    "                       (--whole: that equal it; --case: letter case counts)\n"
    "  import-scan FILE.kst [--match ip|mac] [--on-duplicate skip|overwrite]\n"
    "                       add every row of a scan result file (IP, MAC, host name and\n"
    "                       workgroup); a record that holds the same IP, or the same MAC\n"
    "                       without regard to case, is skipped or gets those four fields and\n"
    "                       keeps the others (default: --match ip --on-duplicate skip);\n"
    "                       prints \"Successfully added N items to database!\"; rows whose IP\n"
    "                       or MAC the record editor would refuse are skipped and counted\n"
    "  export FILE.xlsx     write all records as a workbook (sheet \"sheet1\")\n"
    "  import FILE --match ip|mac --on-duplicate skip|overwrite [--sheet NAME] [--rows 1,3-7]\n"
    "                       add the rows of a workbook sheet (.xls or .xlsx, ten columns);\n"
    "                       prints \"Imported N records;Completely import!\"; rows are\n"
    "                       skipped as by import-scan\n"
    "\n"
    "FIELDS: --ip A.B.C.D --mac 00-0A-E4-20-53-55 --host TEXT --workgroup TEXT --user TEXT\n"
    "        --department TEXT --location TEXT --lan TEXT --comments TEXT\n"
    "Every command takes --data-dir DIR (default: the user's data folder for Netkestrel) and\n"
    "--database URL [--password-file FILE]: the records on a PostgreSQL server instead of\n"
    "kestrel.mdb in the data folder (see netkestrel-cli db --help). A save or delete of a record\n"
    "that someone else changed meanwhile is refused, naming the new values. A --data-dir that\n"
    "does not exist is made by add, import and import-scan, and refused by the others.\n"
    "\n"
    "Messages go to standard error. Exit status: 0 done, 1 refused or failed (find: nothing\n"
    "found), 2 bad usage.\n";

// The field options in box order: option k fills box k of the editor.
const char *const FieldOptions[RecordEditor::BoxCount] = {
    "ip", "mac", "host", "workgroup", "user", "department", "location", "lan", "comments"};

// One list row as a line: tabs and line breaks inside a field become blanks,
// so that every record stays one line of exactly eleven fields; any other
// control character is shown escaped.
void printRow(QTextStream &out, const RecordListModel &list, int row)
{
    QStringList cells;
    for (int column = 0; column < list.columnCount(); ++column) {
        QString cell = list.text(row, column);
        for (QChar &c : cell) {
            if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                c = QLatin1Char(' ');
        }
        cells.append(TerminalText::printable(cell));
    }
    out << cells.join(QLatin1Char('\t')) << '\n';
}

bool parseId(const QString &text, qint64 *id)
{
    bool ok = false;
    *id = text.toLongLong(&ok);
    return ok && *id > 0;
}

class RecordsRun
{
public:
    explicit RecordsRun(const RecordStore &store)
        : m_store(store), m_commands(m_store, m_list, m_prompt, m_state), m_out(stdout)
    {
    }

    int list();
    int save(const QCommandLineParser &parser, const QString &id);
    int remove(const QStringList &ids);
    int find(const QString &text, bool wholeWords, bool matchCase);

private:
    RecordStore m_store;
    RecordListModel m_list;
    ConsolePrompt m_prompt;
    ProgramState m_state;
    RecordCommands m_commands;
    QTextStream m_out;
};

int RecordsRun::list()
{
    if (!m_commands.addLIST())
        return 1;
    for (int row = 0; row < m_list.count(); ++row)
        printRow(m_out, m_list, row);
    return 0;
}

int RecordsRun::save(const QCommandLineParser &parser, const QString &id)
{
    m_state.CurrentRecordId = id;
    RecordEditor editor(m_store, m_prompt, m_state);
    // A record that is gone opens with empty boxes; Save then says so. A
    // database that cannot be read has been reported once: no Save follows.
    const std::optional<QStringList> opened = editor.open();
    if (!opened)
        return 1;
    QStringList boxes = *opened;
    for (int k = 0; k < RecordEditor::BoxCount; ++k) {
        const QString option = QLatin1String(FieldOptions[k]);
        if (parser.isSet(option))
            boxes[k] = parser.value(option);
    }
    // The dialog checks the IP and MAC boxes as they are left; here they are
    // checked by Save, which applies the same rules with the same messages.
    const RecordEditor::SaveOutcome outcome = editor.save(&boxes);
    if (outcome.result != RecordEditor::SaveResult::Saved)
        return 1;
    m_out << m_state.CurrentRecordId << '\n';
    return 0;
}

int RecordsRun::remove(const QStringList &ids)
{
    if (!m_commands.addLIST())
        return 1;
    QList<qint64> wanted;
    for (const QString &text : ids) {
        qint64 id = 0;
        if (!parseId(text, &id))
            return usageError(QStringLiteral("\"%1\" is no record ID.").arg(text));
        wanted.append(id);
    }
    for (int row = 0; row < m_list.count(); ++row)
        m_list.setChecked(row, wanted.contains(m_list.idText(row).toLongLong()));
    for (qint64 id : std::as_const(wanted)) {
        bool listed = false;
        for (int row = 0; row < m_list.count() && !listed; ++row)
            listed = m_list.idText(row).toLongLong() == id;
        if (!listed)
            std::fprintf(stderr, "netkestrel-cli records: no record has the ID %lld; skipped.\n",
                         static_cast<long long>(id));
    }
    if (m_list.count() == 0) {
        // The list command ends silently on an empty list; a script that named
        // IDs is told that none was there.
        m_prompt.notice(QLatin1String(RecordCommands::NoneSelectedText));
        return 1;
    }
    m_prompt.setAnswer(PromptAnswer::Ok);
    return m_commands.deleteSelected() ? 0 : 1;
}

int RecordsRun::find(const QString &text, bool wholeWords, bool matchCase)
{
    if (!m_commands.addLIST())
        return 1;
    if (!StartFind(m_list, ProgramState::FindRecordList, m_state)) {
        m_prompt.notice(QString::fromUtf8(FindEndText));
        return 1;
    }
    int found = 0;
    int matches = 0;
    while ((found = FindNextInList(m_list, text, wholeWords, matchCase, FindDirection::Down, m_prompt)) > 0) {
        printRow(m_out, m_list, found - 1);
        ++matches;
    }
    return matches > 0 ? 0 : 1;
}

} // namespace

int runRecordsCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("a command is missing."));
    const QString command = arguments.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    const bool isList = command == QLatin1String("list");
    const bool isAdd = command == QLatin1String("add");
    const bool isModify = command == QLatin1String("modify");
    const bool isDelete = command == QLatin1String("delete");
    const bool isFind = command == QLatin1String("find");
    if (command == QLatin1String("import-scan"))
        return runImportScanCommand(arguments.mid(1), Usage);
    const bool isExport = command == QLatin1String("export");
    const bool isImport = command == QLatin1String("import");
    if (!isList && !isAdd && !isModify && !isDelete && !isFind && !isExport && !isImport)
        return usageError(QStringLiteral("unknown command \"%1\".").arg(command));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    DatabaseOption::addTo(parser);
    if (isAdd || isModify) {
        for (const char *name : FieldOptions)
            parser.addOption(
                {QLatin1String(name), QStringLiteral("A field of the record."), QStringLiteral("TEXT")});
    }
    if (isFind) {
        parser.addOption({QStringLiteral("whole"), QStringLiteral("A cell must equal TEXT.")});
        parser.addOption({QStringLiteral("case"), QStringLiteral("Letter case counts.")});
    }
    if (isImport)
        SheetCommands::addImportOptions(parser);
    if (const auto done = CommandLine(QStringLiteral("records ") + command)
                              .parse(parser, arguments.mid(1), CommandLine::Positional::Allowed, Usage))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if ((isList || isAdd) && !positional.isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\".").arg(positional.first()));
    if ((isModify || isFind) && positional.size() != 1)
        return usageError(isModify ? QStringLiteral("modify takes one record ID.")
                                   : QStringLiteral("find takes one search text."));
    if ((isExport || isImport) && positional.size() != 1)
        return usageError(isExport ? QStringLiteral("export takes the workbook file to write.")
                                   : QStringLiteral("import takes the workbook file to read."));
    if (isDelete && positional.isEmpty())
        return usageError(QStringLiteral("delete takes the IDs of the records to delete."));
    qint64 id = 0;
    if (isModify && !parseId(positional.first(), &id))
        return usageError(QStringLiteral("\"%1\" is no record ID.").arg(positional.first()));
    if (isFind && positional.first().isEmpty())
        return usageError(QStringLiteral("the search text is empty."));
    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return usageError(server.error());

    // Only the commands that add records make a folder that is not there.
    const Result<QString> folder = DataDirOption::read(
        parser, isAdd || isImport ? DataDirOption::Missing::Made : DataDirOption::Missing::Refused);
    if (!folder) {
        std::fprintf(stderr, "netkestrel-cli records: %s\n", qPrintable(folder.error()));
        return 1;
    }
    if (const Result<> made = DataFolder::ensureExists(*folder); !made) {
        std::fprintf(stderr, "netkestrel-cli records: %s\n", qPrintable(made.error()));
        return 1;
    }

    const RecordStore store(*folder, *server);
    if (isExport)
        return SheetCommands::exportRecords(store, positional.first());
    if (isImport)
        return SheetCommands::importRecords(store, positional.first(), parser);

    RecordsRun run(store);
    if (isList)
        return run.list();
    if (isAdd)
        return run.save(parser, QString());
    if (isModify)
        return run.save(parser, QString::number(id));
    if (isDelete)
        return run.remove(positional);
    return run.find(positional.first(), parser.isSet(QStringLiteral("whole")),
                    parser.isSet(QStringLiteral("case")));
}
