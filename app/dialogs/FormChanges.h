#pragma once

#include <QWidget>

class ChangesListModel;
class ListView;
class QComboBox;

// The "Changes" window: the change events of the completed scans in a list
// of their own, apart from the analysis list's findings. A top-level window
// of its own that never blocks the main window. Above the list, the combo box
// "ComboSite" chooses the site whose events are shown: "All sites" first,
// then the sites present.
class FormChanges : public QWidget
{
    Q_OBJECT

public:
    FormChanges(ChangesListModel *model, QWidget *parent);

    static constexpr const char *AllSites = "All sites";

    ListView *view() const { return m_view; }
    QComboBox *siteBox() const { return m_sites; }
    // Offers these sites after "All sites", keeping the choice when it is
    // still offered; emits nothing.
    void setSites(const QStringList &sites);
    // The chosen site; empty for all sites.
    QString site() const;

Q_SIGNALS:
    void siteChosen(const QString &site);

private:
    QComboBox *m_sites;
    ListView *m_view;
};
