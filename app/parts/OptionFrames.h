#pragma once

#include <QHash>
#include <QWidget>

#include "analysis/AnalysisOptions.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class ScanRangeEntry;

// The column of option frames in the scan pane: "Scan Option" (the range
// boxes, the method choice, Check1 and the buttons CmdStar, CmdPause,
// CmdStop), "Analyze Option" (Check4 with Combo1 in the blanks of its
// caption, Check2, Check3, Check5, Command4 "Analyze", Command3 "Analyze All")
// and "Tool Box" (CmdSave, CmdaddToR, CmdFindS, CmdClear). Controls only; the
// window connects them. Combo1 holds the offered minute values and takes
// typed text too (the window refuses text that is not one of them). The
// boxes map to the options T_set keeps through options() and setOptions().
class OptionFrames : public QWidget
{
    Q_OBJECT

public:
    explicit OptionFrames(QWidget *parent = nullptr);

    ScanRangeEntry *rangeEntry() const { return m_range; }
    QCheckBox *check(int number) const { return m_checks.value(number); }
    QComboBox *minutes() const { return m_minutes; }
    // "Listen between scans", an option of the automatic mode.
    QCheckBox *listenBox() const { return m_listen; }
    QPushButton *button(const QString &name) const { return m_buttons.value(name); }
    // Shows a minute value in Combo1, as its entry when it is one.
    void showMinutes(int minutes);

    // Check1..Check5 as they stand; mins is the last offered value Combo1
    // showed or took, never text that is still being typed or was refused.
    AnalysisOptions options() const;
    // Ticks the boxes and shows the minutes of stored options.
    void setOptions(const AnalysisOptions &options);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *addButton(const char *name, const char *caption, QWidget *parent);
    void placeMinutesBox();

    ScanRangeEntry *m_range;
    QHash<int, QCheckBox *> m_checks;
    QComboBox *m_minutes;
    QCheckBox *m_listen;
    int m_keptMinutes = AnalysisOptions::DefaultMinutes;
    QHash<QString, QPushButton *> m_buttons;
};
