#include "app/parts/OptionControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "analysis/AnalysisOptionsStore.h"
#include "analysis/Analyzer.h"
#include "analysis/AutoScanController.h"
#include "app/parts/OptionFrames.h"
#include "platform/Prompt.h"
#include "scan/ScanRun.h"

OptionControls::OptionControls(OptionFrames *frames, AnalysisOptionsStore &store, ScanRun &scanRun,
                               Analyzer &analyzer, AutoScanController &autoScan, Prompt &prompt,
                               QObject *parent)
    : QObject(parent),
      m_frames(frames),
      m_store(store),
      m_scanRun(scanRun),
      m_analyzer(analyzer),
      m_autoScan(autoScan),
      m_prompt(prompt)
{
    for (int number : {1, 2, 3, 5})
        connect(frames->check(number), &QCheckBox::clicked, this, &OptionControls::save);
    connect(frames->listenBox(), &QCheckBox::clicked, this, &OptionControls::save);
    // Read anew for every host: a change during a run counts from the next host.
    connect(frames->check(1), &QCheckBox::toggled, this, [this](bool on) { m_scanRun.setShowSilent(on); });
    // The analyzer follows Check2, Check3 and Check5 at once, so that the
    // automatic step's AnalyzeAll applies them as the buttons do.
    for (int number : {2, 3, 5})
        connect(frames->check(number), &QCheckBox::toggled, this, &OptionControls::applyToAnalyzer);

    connect(frames->check(4), &QCheckBox::clicked, this, &OptionControls::autoScanClicked);
    QComboBox *minutes = frames->minutes();
    connect(minutes, &QComboBox::currentTextChanged, this, &OptionControls::minutesTextChanged);
    connect(minutes->lineEdit(), &QLineEdit::editingFinished, this, &OptionControls::minutesEditFinished);
    connect(&autoScan, &AutoScanController::autoScanCheckEnabledChanged, frames->check(4),
            &QWidget::setEnabled);
    m_scanRun.setShowSilent(frames->check(1)->isChecked());
}

void OptionControls::load()
{
    const Result<AnalysisOptions> stored = m_store.LoadAnalysisOptions();
    const bool loaded = stored.ok();
    if (!loaded)
        m_prompt.error(stored.error());
    AnalysisOptions options = loaded ? *stored : AnalysisOptions();
    // Options that could not be read never switch the automatic mode on: its
    // step would scan with settings nobody chose.
    if (!loaded)
        options.autoScan = false;
    m_saved = options;
    m_applyingOptions = true; // the minute box's change handling saves nothing now
    m_frames->setOptions(options);
    m_applyingOptions = false;
    m_scanRun.setShowSilent(options.displayNonResponded);
    applyToAnalyzer();
    if (loaded)
        save();
}

void OptionControls::startAutoMode()
{
    m_autoScan.setMinutes(m_saved.mins);
    m_autoScan.setAutoScan(m_frames->check(4)->isChecked());
}

void OptionControls::save()
{
    // mins is the last accepted minute value, not text still being typed.
    m_saved = m_frames->options();
    if (const Result<> saved = m_store.SaveAnalysisOptions(m_saved); !saved)
        m_prompt.error(saved.error());
}

void OptionControls::applyToAnalyzer()
{
    const AnalysisOptions shown = m_frames->options();
    Analyzer::Options options;
    options.checks.analyzeMac = shown.analyzeMac;
    options.checks.analyzeIp = shown.analyzeIp;
    options.clearBeforeAnalysis = shown.clearBeforeAnalysis;
    m_analyzer.setOptions(options);
}

void OptionControls::autoScanClicked(bool on)
{
    save();
    m_autoScan.setAutoScan(on);
}

void OptionControls::minutesTextChanged(const QString &text)
{
    if (m_applyingOptions)
        return;
    const std::optional<int> minutes = AnalysisOptions::parseMinutes(text);
    if (!minutes)
        return; // refused (or still being typed): the period and T_set keep theirs
    // Takes effect the next time the timer starts.
    m_autoScan.setMinutes(*minutes);
    if (*minutes != m_saved.mins)
        save();
}

void OptionControls::minutesEditFinished()
{
    // Refused text does not stay in the box: it shows the kept value again.
    if (!AnalysisOptions::parseMinutes(m_frames->minutes()->currentText()))
        m_frames->showMinutes(m_frames->options().mins);
}
