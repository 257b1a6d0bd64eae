#pragma once

#include <QString>

#include "records/RecordBatch.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;
class QWidget;

// The controls that both import wizards share: the exclusive "Match IP" /
// "Match MAC" pair (object names NAME_0 and NAME_1) and the three duplicate
// options OptAdd_0 to OptAdd_2 in a frame, "Ask" selected. The wizards lay
// them out themselves; the widgets belong to the given parents.
class DuplicateChoice
{
public:
    DuplicateChoice(const QString &matchArrayName, QWidget *matchParent, QGroupBox *optionsFrame);

    QCheckBox *matchIp() const { return m_matchIp; }
    QCheckBox *matchMac() const { return m_matchMac; }

    // Only the first box decides, as the pair keeps exactly one ticked.
    BatchItem::MatchBy matchBy() const;
    // The selected option in the order Ask, Overwrite, Skip: the order of the
    // import runs' own OnDuplicate.
    template <typename OnDuplicate>
    OnDuplicate onDuplicate() const
    {
        return OnDuplicate(selectedOption());
    }

private:
    int selectedOption() const;

    QCheckBox *m_matchIp;
    QCheckBox *m_matchMac;
    QRadioButton *m_options[3];
};
