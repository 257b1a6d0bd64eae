#include <QSignalSpy>
#include <QTest>

#include "analysis/Analyzer.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"

// AnalyzeAll, AnalyzeSelected and ClearAnalysisList on the three lists.
class TestAnalyzer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void analyzeAllAppendsInRowOrder();
    void clearBeforeAnalysis_data();
    void clearBeforeAnalysis();
    void emptyScanListChangesNothing();
    void analyzeSelected_data();
    void analyzeSelected();
    void clearAnalysisList();
    void acknowledgedFindingsMarked();
    void acknowledgementFollowsItsRows();

private:
    void addScanRow(const QString &ip, const QString &mac);
    void addFinding(const QString &text) { m_analysis.appendEntry({QStringLiteral("old"), text}); }

    ScanListModel m_scan;
    RecordListModel m_records;
    AnalysisListModel m_analysis;
    QDateTime m_now;
    std::unique_ptr<Analyzer> m_analyzer;
};

void TestAnalyzer::init()
{
    m_scan.clear();
    m_analysis.clear();
    PresetRecord known;
    known.id = 1;
    known.ipAddress = QStringLiteral("198.18.7.10");
    known.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
    m_records.setRecords({known});
    m_now = QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7));
    m_analyzer = std::make_unique<Analyzer>(&m_scan, &m_records, &m_analysis, [this] { return m_now; });
}

void TestAnalyzer::addScanRow(const QString &ip, const QString &mac)
{
    ScanRow row;
    row.number = QString::number(m_scan.count() + 1);
    row.ipAddress = ip;
    row.macAddress = mac;
    m_scan.appendScanRow(row);
}

void TestAnalyzer::analyzeAllAppendsInRowOrder()
{
    addScanRow(QStringLiteral("198.18.7.11"), QStringLiteral("00-0A-E4-00-00-0B"));
    addScanRow(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-00-00-0A"));
    addScanRow(QStringLiteral("198.18.7.12"), QStringLiteral("Non-Responded IP"));
    addScanRow(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-00-00-0C"));
    addFinding(QStringLiteral("kept"));

    QCOMPARE(m_analyzer->AnalyzeAll(), 4);
    QCOMPARE(m_analysis.count(), 5);
    QCOMPARE(m_analysis.entry(0).result, QStringLiteral("kept"));
    QCOMPARE(m_analysis.entry(1).result,
             QStringLiteral("[00-0A-E4-00-00-0B] is abused IP:198.18.7.11;This IP has not been preset yet"));
    QCOMPARE(m_analysis.entry(2).result,
             QStringLiteral("[00-0A-E4-00-00-0B] is abused IP:198.18.7.11;This MAC is "
                            "not in Record, maybe it is illegal"));
    QCOMPARE(m_analysis.entry(3).result,
             QStringLiteral("[00-0A-E4-00-00-0C] is abused IP:198.18.7.10; This IP "
                            "belongs to [00-0A-E4-00-00-0A]"));
    QCOMPARE(m_analysis.entry(4).result,
             QStringLiteral("[00-0A-E4-00-00-0C] is abused IP:198.18.7.10;This MAC is "
                            "not in Record, maybe it is illegal"));
    const QLocale locale = QLocale::system();
    QCOMPARE(m_analysis.entry(1).dateTime, locale.toString(m_now.date(), QLocale::ShortFormat) +
                                               QStringLiteral("; ") +
                                               locale.toString(m_now.time(), QLocale::ShortFormat));
    QCOMPARE(m_analysis.text(1, AnalysisListModel::IconColumn), QString());
    QCOMPARE(m_analysis.row(1).iconIndex, AnalysisListModel::EntryIcon);
    QCOMPARE(m_analysis.data(m_analysis.index(1, 0), Qt::CheckStateRole), QVariant());
    QCOMPARE(m_scan.currentRow(), 3);
}

void TestAnalyzer::clearBeforeAnalysis_data()
{
    QTest::addColumn<bool>("analyzeMac");
    QTest::addColumn<bool>("analyzeIp");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<int>("expectedCount");

    QTest::newRow("kept, one new finding") << true << false << false << 2;
    QTest::newRow("cleared, one new finding") << true << false << true << 1;
    QTest::newRow("both off, kept") << false << false << false << 1;
    QTest::newRow("both off, still cleared") << false << false << true << 0;
}

void TestAnalyzer::clearBeforeAnalysis()
{
    QFETCH(bool, analyzeMac);
    QFETCH(bool, analyzeIp);
    QFETCH(bool, clear);
    QFETCH(int, expectedCount);

    addScanRow(QStringLiteral("198.18.7.99"), QStringLiteral("00-0A-E4-00-00-0A"));
    addFinding(QStringLiteral("earlier"));
    m_analyzer->setOptions({{analyzeMac, analyzeIp}, clear});
    m_analyzer->AnalyzeAll();
    QCOMPARE(m_analysis.count(), expectedCount);
}

void TestAnalyzer::emptyScanListChangesNothing()
{
    addFinding(QStringLiteral("earlier"));
    m_analyzer->setOptions({{true, true}, true});
    QCOMPARE(m_analyzer->AnalyzeAll(), 0);
    QCOMPARE(m_analyzer->AnalyzeSelected(), 0);
    QCOMPARE(m_analysis.count(), 1);
}

void TestAnalyzer::analyzeSelected_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("expectedIp");

    QTest::newRow("no highlighted row: the first") << -1 << QStringLiteral("198.18.7.11");
    QTest::newRow("first row") << 0 << QStringLiteral("198.18.7.11");
    QTest::newRow("third row") << 2 << QStringLiteral("198.18.7.13");
}

void TestAnalyzer::analyzeSelected()
{
    QFETCH(int, current);
    QFETCH(QString, expectedIp);

    for (const char *ip : {"198.18.7.11", "198.18.7.12", "198.18.7.13"})
        addScanRow(QLatin1String(ip), QStringLiteral("00-0A-E4-00-00-0F"));
    m_scan.setCurrentRow(current);
    m_analyzer->setOptions({{true, false}, false});
    QCOMPARE(m_analyzer->AnalyzeSelected(), 1);
    QCOMPARE(m_analysis.entry(0).result,
             QStringLiteral("[00-0A-E4-00-00-0F] is abused IP:%1;This IP has not been preset yet")
                 .arg(expectedIp));
    QCOMPARE(m_scan.currentRow(), qMax(current, 0));
}

void TestAnalyzer::clearAnalysisList()
{
    // The question is the front end's; the analyzer clears when told.
    addFinding(QStringLiteral("a"));
    addFinding(QStringLiteral("b"));
    m_analyzer->ClearAnalysisList();
    QCOMPARE(m_analysis.count(), 0);
    m_analyzer->ClearAnalysisList(); // an empty list stays empty
    QCOMPARE(m_analysis.count(), 0);
}

void TestAnalyzer::acknowledgedFindingsMarked()
{
    const QString ackedIp = QStringLiteral("198.18.7.11");
    const QString ackedMac = QStringLiteral("00-0A-E4-00-00-0B");
    addScanRow(ackedIp, ackedMac);
    addScanRow(QStringLiteral("198.18.7.13"), QStringLiteral("00-0A-E4-00-00-0D"));
    // Held until an hour after the first analysis; stored in another form.
    AcknowledgedSet acks;
    acks.insert(QStringLiteral("198.18.7.011"), QStringLiteral("00:0a:e4:00:00:0b"), m_now.addSecs(3600));
    QList<QDateTime> asked;
    m_analyzer->setAcknowledgementSource([&](const QDateTime &at) {
        asked.append(at);
        return acks;
    });

    const int first = m_analyzer->AnalyzeAll();
    QVERIFY(m_analysis.count() > 2);
    QCOMPARE(asked, QList<QDateTime>{m_now}); // once per analysis, at the analysis' moment
    int marked = 0;
    for (int row = 0; row < m_analysis.count(); ++row) {
        const AnalysisEntry entry = m_analysis.entry(row);
        // The finding's own text is the design's, acknowledged or not.
        QVERIFY(entry.result.contains(entry.ip));
        QCOMPARE(entry.acknowledged, entry.ip == ackedIp && entry.mac == ackedMac);
        QCOMPARE(
            m_analysis.data(m_analysis.index(row, AnalysisListModel::ResultColumn), ListModel::DimmedRole)
                .toBool(),
            entry.acknowledged);
        marked += entry.acknowledged;
    }
    QVERIFY(marked > 0 && marked < m_analysis.count());
    QCOMPARE(first, m_analysis.count() - marked); // the count tells news only
    const int all = m_analysis.count();

    // Past its expiry the same pair is a finding like any other.
    m_now = m_now.addSecs(3601);
    m_analysis.clear();
    QCOMPARE(m_analyzer->AnalyzeAll(), all);
    for (int row = 0; row < m_analysis.count(); ++row)
        QVERIFY(!m_analysis.isAcknowledged(row));

    m_analyzer->setAcknowledgementSource({});
    m_analysis.clear();
    m_scan.setCurrentRow(0);
    QVERIFY(m_analyzer->AnalyzeSelected() > 0);
    QVERIFY(!m_analysis.isAcknowledged(0));
}

void TestAnalyzer::acknowledgementFollowsItsRows()
{
    const QList<QPair<QString, QString>> pairs = {{"198.18.7.2", "00-0A-E4-00-00-02"},
                                                  {"198.18.7.1", "00-0A-E4-00-00-01"},
                                                  {"198.18.7.2", "00-0A-E4-00-00-02"},
                                                  {"198.18.7.2", "00-0A-E4-00-00-03"}};
    for (const auto &[ip, mac] : pairs)
        m_analysis.appendEntry({QStringLiteral("d"), ip + QLatin1Char(' ') + mac, ip, mac});
    QSignalSpy changed(&m_analysis, &QAbstractItemModel::dataChanged);

    // Every row of the pair, in any form of its addresses, and no other.
    QCOMPARE(
        m_analysis.setAcknowledged(QStringLiteral("198.18.7.02"), QStringLiteral("00:0a:e4:00:00:02"), true),
        2);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(
        m_analysis.setAcknowledged(QStringLiteral("198.18.7.2"), QStringLiteral("00-0A-E4-00-00-02"), true),
        0);
    m_analysis.sortByColumn(AnalysisListModel::ResultColumn, SortKind::Text, Qt::AscendingOrder);
    for (int row = 0; row < m_analysis.count(); ++row) {
        const AnalysisEntry entry = m_analysis.entry(row);
        QCOMPARE(entry.result, entry.ip + QLatin1Char(' ') + entry.mac);
        QCOMPARE(entry.acknowledged, entry.result == QLatin1String("198.18.7.2 00-0A-E4-00-00-02"));
    }
    // The addresses travel with the row but are no columns of the list.
    QCOMPARE(m_analysis.columnCount(), 3);

    QCOMPARE(
        m_analysis.setAcknowledged(QStringLiteral("198.18.7.2"), QStringLiteral("00-0A-E4-00-00-02"), false),
        2);
    for (int row = 0; row < m_analysis.count(); ++row)
        QVERIFY(!m_analysis.isAcknowledged(row));
}

QTEST_GUILESS_MAIN(TestAnalyzer)
#include "TestAnalyzer.moc"
