// The option frames as options: the check boxes and the minute box map to
// what T_set keeps, and refused minute text never becomes the kept value.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "analysis/AnalysisOptions.h"
#include "app/parts/OptionFrames.h"

class TestOptionFrames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void typedMinutes_data();
    void typedMinutes();
};

void TestOptionFrames::roundTrip_data()
{
    QTest::addColumn<int>("boxes"); // bit n-1: Check n
    QTest::addColumn<int>("mins");
    const QList<int> &offered = AnalysisOptions::offeredMinutes();
    for (int boxes = 0; boxes < 64; ++boxes) {
        const int mins = offered.at(boxes % offered.size());
        QTest::addRow("boxes %02x, %d mins", boxes, mins) << boxes << mins;
    }
}

void TestOptionFrames::roundTrip()
{
    QFETCH(int, boxes);
    QFETCH(int, mins);
    AnalysisOptions options;
    options.displayNonResponded = boxes & 1;
    options.analyzeMac = boxes & 2;
    options.analyzeIp = boxes & 4;
    options.autoScan = boxes & 8;
    options.clearBeforeAnalysis = boxes & 16;
    options.listenBetweenScans = boxes & 32;
    options.mins = mins;
    OptionFrames frames;
    frames.setOptions(options);
    QCOMPARE(frames.options(), options);
    for (int number = 1; number <= 5; ++number)
        QCOMPARE(frames.check(number)->isChecked(), bool(boxes & (1 << (number - 1))));
    QCOMPARE(frames.listenBox()->isChecked(), bool(boxes & 32));
    QCOMPARE(frames.minutes()->currentText(), QString::number(mins));
}

void TestOptionFrames::typedMinutes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kept");
    const QList<int> &offered = AnalysisOptions::offeredMinutes();
    const int last = offered.last();
    QTest::newRow("offered") << QString::number(last) << last;
    QTest::newRow("not offered") << QString::number(last + 1) << AnalysisOptions::DefaultMinutes;
    QTest::newRow("not a number") << QStringLiteral("abc") << AnalysisOptions::DefaultMinutes;
    QTest::newRow("empty") << QString() << AnalysisOptions::DefaultMinutes;
}

void TestOptionFrames::typedMinutes()
{
    QFETCH(QString, typed);
    QFETCH(int, kept);
    OptionFrames frames;
    AnalysisOptions options;
    frames.setOptions(options);
    QLineEdit *edit = frames.minutes()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(frames.minutes()->currentText(), typed);
    QCOMPARE(frames.options().mins, kept);
}

QTEST_MAIN(TestOptionFrames)
#include "TestOptionFrames.moc"
