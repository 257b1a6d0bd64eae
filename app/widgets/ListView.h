#pragma once

#include <QIcon>
#include <QList>
#include <QTableView>

#include <functional>

class ListModel;

// A report-style list of the main window over one of the list models:
// full-row selection, grid lines, the model's check boxes in column 0. The
// view's current row and the model's current row follow each other. Column
// header clicks go to the model's own column-click rule; releasing the right
// button over the rows asks for the list's pop-up menu. Ctrl+C (the
// desktop's Copy key) puts the highlighted row on the clipboard.
class ListView : public QTableView
{
    Q_OBJECT

public:
    // widthsTwips: the design's column widths; 0 hides a column, -1 keeps
    // Qt's default width.
    ListView(ListModel *model, const QString &name, const QList<int> &widthsTwips, QWidget *parent = nullptr);

    ListModel *listModel() const { return m_model; }
    void setColumnClickHandler(std::function<void(int column)> handler);
    // The pictures of the rows' icon indexes 1..n (index 0 shows none).
    void setRowIcons(const QList<QIcon> &icons);
    // Widens a column whose design width is too narrow for sample in the
    // desktop's font (the design's font was smaller).
    void fitColumnTo(int column, const QString &sample);
    // The address columns of the scan and record lists: 1 IP, 2 MAC.
    void fitAddressColumns();
    // The columns of a row that the list shows, tab-separated, in their order
    // on the screen: what Copy puts on the clipboard.
    QString rowText(int row) const;

Q_SIGNALS:
    void popupRequested(const QPoint &globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showModelCurrentRow(int row);

    ListModel *m_model;
    std::function<void(int)> m_columnClicked;
    bool m_syncing = false;
};
