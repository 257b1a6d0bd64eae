#pragma once

#include <QWidget>

class ChangesListModel;
class ListView;

// The "Changes" window: the change events of the completed scans in a list
// of their own, apart from the analysis list's findings. A top-level window
// of its own that never blocks the main window.
class FormChanges : public QWidget
{
    Q_OBJECT

public:
    FormChanges(ChangesListModel *model, QWidget *parent);

    ListView *view() const { return m_view; }

private:
    ListView *m_view;
};
