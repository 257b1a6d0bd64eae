#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "scan/ScanMethod.h"

class QLabel;
class QLineEdit;
class QRadioButton;

// The scan range boxes of the "Scan Option" frame: the control array IP
// (boxes 0..3 the "From" octets, 4..7 the "To" octets, object names IP_0 ..
// IP_7), the captions Label1_0 "From:", Label1_1 "To:", Label1_2 "Scan by:",
// and the method choice Option1_0 "ARP" / Option1_3 "UDP".
//
// Typing rules: digits only, where the caret is; "." and "," move to the
// next box; Enter moves on from a box that is not empty; the third digit
// moves on when the caret is at the box's end; a value over 255 becomes
// "255"; box 7 moves on to the "Scan" button by "." or Enter. While the window
// fills the boxes itself (setBoxes), no focus moves. The ARP method greys and
// locks boxes 4 to 6: only the last "To" octet counts then.
//
// Each row behaves as one address field: Backspace at the start of a box (or
// in an empty one) goes back to the end of the box before and deletes its
// last digit, Delete at the end goes on, Left at the start and Right at the
// end cross to the next box, and a digit typed at the end of a full box goes
// on to the next one. Nothing crosses into the other row or into a locked
// box, so the last box of a row keeps the caret once it is full. Getting the
// focus by the keyboard selects a box's text; a click leaves the caret where
// it was clicked.
//
// So that an address typed the natural way lands in its four boxes, a "." or
// "," typed first in a box that the third digit has just moved to is taken as
// the separator already passed and swallowed. A whole dotted address pasted
// into any box fills that row's four boxes.
class ScanRangeEntry : public QWidget
{
    Q_OBJECT

public:
    static constexpr int BoxCount = 8;

    explicit ScanRangeEntry(QWidget *parent = nullptr);

    // Where the focus goes after box 7 (the "Scan" button).
    void setScanButton(QWidget *button) { m_scanButton = button; }

    QLineEdit *box(int index) const { return m_boxes.value(index); }
    QStringList boxes() const;
    // Fills the boxes without moving the focus; a list of another size empties them.
    void setBoxes(const QStringList &texts);
    // The eight texts a scan of the chosen method reads: in an ARP scan the
    // locked boxes 4 to 6 stand for the "From" network, as only box 7 counts.
    QStringList boxesForScan() const;

    ScanMethod method() const;
    void setMethod(ScanMethod method);

    // After a UDP scan of a range entered backwards the captions read "To:"
    // (upper row) and "From:" (lower row).
    void showRangeOrder(bool enteredBackwards);

Q_SIGNALS:
    void methodChanged(ScanMethod method);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveFocusOn(int index);
    // The nearest box of index's row in that direction that takes typing; -1 if none.
    int neighbour(int index, int step) const;
    // Moves the caret to that box's end or start and hands it the key, if
    // any; false when there is no such box.
    bool placeCaret(int index, int step, bool atEnd, QEvent *key = nullptr);
    void boxChanged(int index);
    void fillRowFrom(int index);
    void applyMethod();

    QList<QLineEdit *> m_boxes;
    QList<QLabel *> m_captions;
    QRadioButton *m_arp;
    QRadioButton *m_udp;
    QPointer<QWidget> m_scanButton;
    bool m_filling = false;
    bool m_placingCaret = false;
    // The box that the third digit of the box before it has just moved the
    // focus to, until a key is typed there or it loses the focus; -1 if none.
    int m_advancedTo = -1;
};
