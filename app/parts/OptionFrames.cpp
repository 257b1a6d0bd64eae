#include "app/parts/OptionFrames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include "app/widgets/ScanRangeEntry.h"

namespace {

const char AutoScanCaption[] = "Auto Scan/Analyze every                   mins";
const char AutoScanLead[] = "Auto Scan/Analyze every ";

QCheckBox *makeCheck(int number, const char *caption, QWidget *parent)
{
    auto *box = new QCheckBox(QLatin1String(caption), parent);
    box->setObjectName(QStringLiteral("Check%1").arg(number));
    return box;
}

} // namespace

OptionFrames::OptionFrames(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("OptionFrames"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    auto *scanFrame = new QGroupBox(QStringLiteral("Scan Option"), this);
    scanFrame->setObjectName(QStringLiteral("FrameScanOption"));
    auto *scanLayout = new QVBoxLayout(scanFrame);
    m_range = new ScanRangeEntry(scanFrame);
    scanLayout->addWidget(m_range);
    m_checks.insert(1, makeCheck(1, " Display Non-Responded IP", scanFrame));
    scanLayout->addWidget(m_checks.value(1));
    auto *scanButtons = new QHBoxLayout;
    scanButtons->addWidget(addButton("CmdStar", "Scan", scanFrame));
    scanButtons->addWidget(addButton("CmdPause", "Pause", scanFrame));
    scanButtons->addWidget(addButton("CmdStop", "Stop", scanFrame));
    scanLayout->addLayout(scanButtons);
    m_range->setScanButton(m_buttons.value(QStringLiteral("CmdStar")));
    column->addWidget(scanFrame);

    auto *analyzeFrame = new QGroupBox(QStringLiteral("Analyze Option"), this);
    analyzeFrame->setObjectName(QStringLiteral("FrameAnalyzeOption"));
    auto *analyzeLayout = new QVBoxLayout(analyzeFrame);
    QCheckBox *autoScan = makeCheck(4, AutoScanCaption, analyzeFrame);
    m_checks.insert(4, autoScan);
    m_minutes = new QComboBox(autoScan);
    m_minutes->setObjectName(QStringLiteral("Combo1"));
    m_minutes->setEditable(true);
    // Typed text chooses among the entries; it never becomes a new one, and
    // no inline completion turns a "1" into a "10" before the user is done.
    m_minutes->setInsertPolicy(QComboBox::NoInsert);
    m_minutes->setCompleter(nullptr);
    connect(m_minutes, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        if (const std::optional<int> minutes = AnalysisOptions::parseMinutes(text))
            m_keptMinutes = *minutes;
    });
    for (int minutes : AnalysisOptions::offeredMinutes())
        m_minutes->addItem(QString::number(minutes));
    autoScan->setMinimumHeight(m_minutes->sizeHint().height());
    autoScan->installEventFilter(this);
    analyzeLayout->addWidget(autoScan);
    m_listen = new QCheckBox(QStringLiteral("Listen between scans"), analyzeFrame);
    m_listen->setObjectName(QStringLiteral("CheckListen"));
    m_listen->setToolTip(
        QStringLiteral("While the automatic mode is on, hear who claims which address on the "
                       "range's network between the scans and list the changes at once."));
    analyzeLayout->addWidget(m_listen);
    m_checks.insert(2, makeCheck(2, "Analyze of MAC", analyzeFrame));
    m_checks.insert(3, makeCheck(3, "Analyze of IP", analyzeFrame));
    m_checks.insert(5, makeCheck(5, "Clear All Before Analysis", analyzeFrame));
    for (int number : {2, 3, 5})
        analyzeLayout->addWidget(m_checks.value(number));
    auto *analyzeButtons = new QHBoxLayout;
    analyzeButtons->addWidget(addButton("Command4", "Analyze", analyzeFrame));
    analyzeButtons->addWidget(addButton("Command3", "Analyze All", analyzeFrame));
    analyzeLayout->addLayout(analyzeButtons);
    column->addWidget(analyzeFrame);

    auto *toolFrame = new QGroupBox(QStringLiteral("Tool Box"), this);
    toolFrame->setObjectName(QStringLiteral("FrameToolBox"));
    auto *toolLayout = new QGridLayout(toolFrame);
    toolLayout->addWidget(addButton("CmdSave", "Save", toolFrame), 0, 0);
    toolLayout->addWidget(addButton("CmdaddToR", "Add to Database", toolFrame), 0, 1);
    toolLayout->addWidget(addButton("CmdFindS", "Find", toolFrame), 1, 0);
    toolLayout->addWidget(addButton("CmdClear", "Clear", toolFrame), 1, 1);
    column->addWidget(toolFrame);
    column->addStretch();
}

QPushButton *OptionFrames::addButton(const char *name, const char *caption, QWidget *parent)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    m_buttons.insert(QLatin1String(name), button);
    return button;
}

void OptionFrames::showMinutes(int minutes)
{
    const QString text = QString::number(minutes);
    const int entry = m_minutes->findText(text);
    if (entry >= 0 && entry != m_minutes->currentIndex())
        m_minutes->setCurrentIndex(entry);
    m_minutes->setEditText(text);
    m_keptMinutes = minutes;
}

AnalysisOptions OptionFrames::options() const
{
    AnalysisOptions options;
    options.displayNonResponded = check(1)->isChecked();
    options.analyzeMac = check(2)->isChecked();
    options.analyzeIp = check(3)->isChecked();
    options.autoScan = check(4)->isChecked();
    options.clearBeforeAnalysis = check(5)->isChecked();
    options.listenBetweenScans = m_listen->isChecked();
    options.mins = m_keptMinutes;
    return options;
}

void OptionFrames::setOptions(const AnalysisOptions &options)
{
    showMinutes(options.mins);
    check(1)->setChecked(options.displayNonResponded);
    check(2)->setChecked(options.analyzeMac);
    check(3)->setChecked(options.analyzeIp);
    check(4)->setChecked(options.autoScan);
    check(5)->setChecked(options.clearBeforeAnalysis);
    m_listen->setChecked(options.listenBetweenScans);
}

void OptionFrames::placeMinutesBox()
{
    // Combo1 sits in the blanks of the Check4 caption.
    QCheckBox *autoScan = m_checks.value(4);
    QStyleOptionButton option;
    option.initFrom(autoScan);
    const int indicator =
        autoScan->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, autoScan).left();
    const QFontMetrics metrics = autoScan->fontMetrics();
    const int left = indicator + metrics.horizontalAdvance(QLatin1String(AutoScanLead));
    const int blanks = metrics.horizontalAdvance(QLatin1String(AutoScanCaption)) -
                       metrics.horizontalAdvance(QLatin1String(AutoScanLead)) -
                       metrics.horizontalAdvance(QStringLiteral(" mins"));
    const int height = m_minutes->sizeHint().height();
    m_minutes->setGeometry(left, (autoScan->height() - height) / 2, std::max(blanks, 40), height);
}

bool OptionFrames::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_checks.value(4) && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeMinutesBox();
    return QWidget::eventFilter(watched, event);
}
