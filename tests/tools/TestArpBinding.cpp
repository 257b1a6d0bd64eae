#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "tests/support/ScriptedProgramRunner.h"
#include "tests/support/ScriptedPrompt.h"
#include "tools/ArpBindingCommand.h"
#include "tools/ArpBindingScript.h"
#include "tools/NeighbourBinder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <span>

// The IP-MAC binding batch files (bytes against a golden file, the rows that
// qualify, replacing) and "run it now" over a scripted program runner.
class TestArpBinding : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scanListScript();
    void nothingQualifies_data();
    void nothingQualifies();
    void recordListAppliesTheMarkerRule();
    void hostileRowsAreLeftOut_data();
    void hostileRowsAreLeftOut();
    void unwritableFolder();
    void runItNow_data();
    void runItNow();
    void neighbourCommands_data();
    void neighbourCommands();
    void report();

private:
    QString path(const char *name) const { return m_dir->filePath(QLatin1String(name)); }
    ArpBindingCommand command(const QString &folder);

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompt m_prompt;
    QList<QList<ArpBinding>> m_applied;
    ArpBindingCommand::Applied m_applyAnswer;
};

namespace {

struct Row
{
    const char *ip;
    const char *mac;
    bool ticked;
};

// Ticked and unticked rows, a ticked marker row, and a MAC in lower case
// (written as the list shows it).
const Row ScanRows[] = {
    {"198.18.7.10", "00-0A-E4-20-53-10", true},  {"198.18.7.11", "00-0A-E4-20-53-11", false},
    {"198.18.7.12", "00-0A-E4-20-53-12", true},  {"198.18.7.13", "Non-Responded IP", true},
    {"198.18.7.14", "00-0A-E4-20-53-14", false}, {"198.18.7.15", "00-0a-e4-20-53-15", true},
};

void fill(ScanListModel &list, std::span<const Row> rows)
{
    for (const Row &row : rows) {
        ScanRow scan;
        scan.ipAddress = QLatin1String(row.ip);
        scan.macAddress = QLatin1String(row.mac);
        list.appendScanRow(scan);
        list.setChecked(list.count() - 1, row.ticked);
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray golden()
{
    return readAll(QStringLiteral(NETKESTREL_GOLDEN_DIR "/ARP-S1.BAT"));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

void TestArpBinding::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompt.reset();
    m_applied.clear();
    m_applyAnswer = {QStringLiteral("applied"), true};
}

ArpBindingCommand TestArpBinding::command(const QString &folder)
{
    return ArpBindingCommand(folder, m_prompt, [this](const QList<ArpBinding> &bindings, const auto &report) {
        m_applied.append(bindings);
        report(m_applyAnswer);
    });
}

void TestArpBinding::scanListScript()
{
    ScanListModel list;
    fill(list, ScanRows);
    // An earlier, longer file is replaced whole, and so is the file itself on
    // the second run: it never grows.
    QVERIFY(writeFile(path("ARP-S1.BAT"), QByteArray(500, 'x')));
    for (int run = 0; run < 2; ++run) {
        m_prompt.queueAnswer(PromptAnswer::No);
        QCOMPARE(command(m_dir->path()).generate(list, QStringLiteral("ARP-S1.BAT")), path("ARP-S1.BAT"));
        QCOMPARE(readAll(path("ARP-S1.BAT")), golden());
    }
    QCOMPARE(m_prompt.requests().size(), 2);
    const PromptRequest asked = m_prompt.lastRequest();
    QCOMPARE(asked.title, QStringLiteral("Notice"));
    QCOMPARE(asked.text, QStringLiteral("Successfully generated, run it now? "));
    QCOMPARE(int(asked.buttons), int(PromptButtons::YesNo));
    QCOMPARE(int(asked.icon), int(PromptIcon::Question));
    QVERIFY(m_applied.isEmpty());
}

void TestArpBinding::nothingQualifies_data()
{
    QTest::addColumn<QList<int>>("rows"); // indexes into ScanRows, ticks as given there
    QTest::addColumn<bool>("untickAll");
    QTest::addColumn<QString>("message"); // empty: silent
    QTest::newRow("empty list") << QList<int>{} << false << "";
    QTest::newRow("only the marker ticked") << QList<int>{1, 3, 4} << false << "No items were selected.";
    QTest::newRow("nothing ticked") << QList<int>{0, 2, 5} << true << "No items were selected.";
}

void TestArpBinding::nothingQualifies()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, untickAll);
    QFETCH(QString, message);
    QList<Row> chosen;
    for (const int k : rows)
        chosen.append(ScanRows[k]);
    ScanListModel list;
    fill(list, chosen);
    if (untickAll)
        list.setAllChecked(false);
    QVERIFY(writeFile(path("ARP-S1.BAT"), "old"));

    QVERIFY(command(m_dir->path()).generate(list, QStringLiteral("ARP-S1.BAT")).isEmpty());
    QCOMPARE(readAll(path("ARP-S1.BAT")), QByteArray("old"));
    if (message.isEmpty()) {
        QVERIFY(m_prompt.requests().isEmpty());
    } else {
        QCOMPARE(m_prompt.requests().size(), 1);
        QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Notice"));
        QCOMPARE(m_prompt.lastRequest().text, message);
        QCOMPARE(int(m_prompt.lastRequest().icon), int(PromptIcon::Exclamation));
    }
}

void TestArpBinding::recordListAppliesTheMarkerRule()
{
    RecordListModel records;
    QList<PresetRecord> rows;
    for (const Row &row : ScanRows) {
        PresetRecord record;
        record.id = rows.size() + 1;
        record.ipAddress = QLatin1String(row.ip);
        record.macAddress = QLatin1String(row.mac);
        rows.append(record);
    }
    records.setRecords(rows);
    for (int k = 0; k < records.count(); ++k)
        records.setChecked(k, ScanRows[k].ticked);
    m_prompt.queueAnswer(PromptAnswer::No);
    QCOMPARE(command(m_dir->path()).generate(records, QStringLiteral("ARP-S2.BAT")), path("ARP-S2.BAT"));
    QCOMPARE(readAll(path("ARP-S2.BAT")), golden());
}

void TestArpBinding::hostileRowsAreLeftOut_data()
{
    QTest::addColumn<int>("first"); // the rows from Hostile[first] on, all ticked
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    const QString leftOut = QStringLiteral("\r\n%1 left out for an IP or MAC address that is not valid: %2.");
    QTest::newRow("among valid rows")
        << 0 << QByteArray("arp -s 198.18.7.21 00-0A-E4-20-53-03\r\n")
        << QLatin1String(ArpBindingCommand::RunItNowText) + leftOut.arg("2 ticked rows were", "rows 2, 3");
    QTest::newRow("nothing else") << 1 << QByteArray("<missing>")
                                  << QLatin1String(ArpBindingCommand::NothingSelectedText) +
                                         leftOut.arg("2 ticked rows were", "rows 1, 2");
}

void TestArpBinding::hostileRowsAreLeftOut()
{
    QFETCH(int, first);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    // A batch file would run what follows "&" or a line break as a command.
    const Row Hostile[] = {{"198.18.7.21", "00-0A-E4-20-53-03", true},
                           {"100.64.1.2 & calc.exe", "00-0A-E4-20-53-01", true},
                           {"198.18.7.20", "00-0A-E4-20-53-02\r\ncalc.exe", true}};
    ScanListModel list;
    fill(list, std::span(Hostile).subspan(first));
    m_prompt.queueAnswer(PromptAnswer::No);
    command(m_dir->path()).generate(list, QStringLiteral("ARP-S1.BAT"));
    QCOMPARE(readAll(path("ARP-S1.BAT")), file);
    QCOMPARE(m_prompt.lastRequest().text, message);
}

void TestArpBinding::unwritableFolder()
{
    // The data folder's place is taken by a file: nothing can be made there.
    QVERIFY(writeFile(path("data"), "a file"));
    ScanListModel list;
    fill(list, ScanRows);
    QVERIFY(command(path("data")).generate(list, QStringLiteral("ARP-S1.BAT")).isEmpty());
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Error"));
    QVERIFY(m_applied.isEmpty());
}

void TestArpBinding::runItNow_data()
{
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("icon");
    QTest::newRow("all bound") << true << int(PromptIcon::Information);
    QTest::newRow("some not bound") << false << int(PromptIcon::Exclamation);
}

void TestArpBinding::runItNow()
{
    QFETCH(bool, complete);
    QFETCH(int, icon);
    m_applyAnswer = {QStringLiteral("what happened"), complete};
    ScanListModel list;
    fill(list, ScanRows);
    m_prompt.queueAnswer(PromptAnswer::Yes);
    QVERIFY(!command(m_dir->path()).generate(list, QStringLiteral("ARP-S1.BAT")).isEmpty());
    QCOMPARE(m_applied.size(), 1);
    QCOMPARE(m_applied.first(), ArpBindingScript::qualifyingRows(list));
    QCOMPARE(m_applied.first().size(), 3);
    QCOMPARE(m_prompt.requests().size(), 2);
    QCOMPARE(m_prompt.lastRequest().text, QStringLiteral("what happened"));
    QCOMPARE(int(m_prompt.lastRequest().icon), icon);
}

void TestArpBinding::neighbourCommands_data()
{
    QTest::addColumn<bool>("asRoot");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<ProgramOutcome>("outcome");
    QTest::addColumn<QStringList>("command"); // empty: nothing run
    QTest::addColumn<QString>("reason");      // empty: applied

    using S = ScriptedProgramRunner;
    const QStringList bind{"neigh", "replace",   "198.18.7.20", "lladdr", "00:0a:e4:20:53:55",
                           "nud",   "permanent", "dev",         "eth0"};
    const ProgramOutcome ok = S::finished(0);
    QTest::newRow("root, longest prefix")
        << true << "198.18.7.20"
        << "00-0A-E4-20-53-55" << ok << (QStringList{"/sbin/ip"} + bind) << "";
    QTest::newRow("root, wider network")
        << true << "198.19.1.3"
        << "00-0A-E4-20-53-55" << ok
        << QStringList{"/sbin/ip",          "neigh", "replace",   "198.19.1.3", "lladdr",
                       "00:0a:e4:20:53:55", "nud",   "permanent", "dev",        "eth1"}
        << "";
    QTest::newRow("not root: pkexec")
        << false << "198.18.7.20"
        << "00-0A-E4-20-53-55" << ok << (QStringList{"/usr/bin/pkexec", "/sbin/ip"} + bind) << "";
    QTest::newRow("no network of ours") << true << "192.0.2.1"
                                        << "00-0A-E4-20-53-55" << ok << QStringList()
                                        << "no network interface of this machine is on its network";
    QTest::newRow("bad MAC") << true << "198.18.7.20"
                             << "00-0A-E4-20" << ok << QStringList()
                             << "the MAC address is not six hexadecimal parts";
    QTest::newRow("bad IP") << true << "198.18.7"
                            << "00-0A-E4-20-53-55" << ok << QStringList() << "not an IPv4 address";
    QTest::newRow("ip refuses") << true << "198.18.7.20"
                                << "00-0A-E4-20-53-55"
                                << S::finished(2, {}, "RTNETLINK answers: Operation not permitted\n")
                                << (QStringList{"/sbin/ip"} + bind)
                                << "RTNETLINK answers: Operation not permitted";
    QTest::newRow("ip missing") << true << "198.18.7.20"
                                << "00-0A-E4-20-53-55" << S::withStatus(ProgramOutcome::Status::NotInstalled)
                                << (QStringList{"/sbin/ip"} + bind)
                                << "ip is not installed (Debian package iproute2)";
    QTest::newRow("pkexec dismissed")
        << false << "198.18.7.20"
        << "00-0A-E4-20-53-55" << S::finished(126) << (QStringList{"/usr/bin/pkexec", "/sbin/ip"} + bind)
        << "the request for administrator rights was dismissed";
    QTest::newRow("pkexec refused") << false << "198.18.7.20"
                                    << "00-0A-E4-20-53-55" << S::finished(127)
                                    << (QStringList{"/usr/bin/pkexec", "/sbin/ip"} + bind)
                                    << "administrator rights were refused";
    QTest::newRow("pkexec missing")
        << false << "198.18.7.20"
        << "00-0A-E4-20-53-55" << S::withStatus(ProgramOutcome::Status::NotInstalled)
        << (QStringList{"/usr/bin/pkexec", "/sbin/ip"} + bind)
        << "pkexec is not installed (Debian package pkexec); or run the command as root";
}

void TestArpBinding::neighbourCommands()
{
    QFETCH(bool, asRoot);
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(ProgramOutcome, outcome);
    QFETCH(QStringList, command);
    QFETCH(QString, reason);
    const QList<LocalNetwork> networks{
        {QStringLiteral("lo"), QHostAddress(QStringLiteral("127.0.0.1")).toIPv4Address(), 8},
        {QStringLiteral("eth1"), QHostAddress(QStringLiteral("198.18.0.1")).toIPv4Address(), 15},
        {QStringLiteral("eth0"), QHostAddress(QStringLiteral("198.18.7.1")).toIPv4Address(), 24},
    };
    ScriptedProgramRunner runner;
    runner.queueOutcome(outcome);
    const QList<NeighbourBinder::Outcome> outcomes =
        NeighbourBinder(runner, networks, asRoot).apply({{ip, mac}});
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.first().applied, reason.isEmpty());
    QCOMPARE(outcomes.first().reason, reason);
    if (command.isEmpty()) {
        QVERIFY(runner.runs().isEmpty());
    } else {
        QCOMPARE(runner.runs().size(), 1);
        QCOMPARE(QStringList{runner.lastRun().program} + runner.lastRun().arguments, command);
    }
}

void TestArpBinding::report()
{
    NeighbourBinder::Outcome bound{{QStringLiteral("198.18.7.20"), QStringLiteral("00-0A-E4-20-53-55")},
                                   true,
                                   QStringLiteral("eth0"),
                                   {}};
    NeighbourBinder::Outcome refused{
        {QStringLiteral("192.0.2.1"), QStringLiteral("00-0A-E4-20-53-56")},
        false,
        {},
        QStringLiteral("no network interface of this machine is on its network")};
    QCOMPARE(NeighbourBinder::report({bound, refused}),
             QStringLiteral(
                 "Bound in this machine's neighbour table (1):\n198.18.7.20 00-0A-E4-20-53-55 on eth0\n\n"
                 "Not bound (1):\n192.0.2.1 00-0A-E4-20-53-56: no network interface of this machine is "
                 "on its network"));
    QVERIFY(NeighbourBinder::allApplied({bound}));
    QVERIFY(!NeighbourBinder::allApplied({bound, refused}));
}

QTEST_GUILESS_MAIN(TestArpBinding)
#include "TestArpBinding.moc"
