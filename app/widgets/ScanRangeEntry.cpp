#include "app/widgets/ScanRangeEntry.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <QValidator>

namespace {

// The longest text a box takes: a dotted address with a little white space
// around it, as it comes from a clipboard.
constexpr int PastedAddressLength = 32;

const QRegularExpression &addressPattern()
{
    static const QRegularExpression address(QStringLiteral("^\\s*[0-9]{1,3}(\\.[0-9]{1,3}){3}\\s*$"));
    return address;
}

// Pasted text goes through the same door as typed text: digits only, at most
// three. A whole dotted address pasted anywhere in a box is taken as it is,
// whatever the caret or the selection held, and the entry then spreads it
// over the box's row.
class OctetValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        static const QRegularExpression octet(QStringLiteral("^[0-9]{0,3}$"));
        if (octet.match(input).hasMatch() || addressPattern().match(input).hasMatch())
            return Acceptable;
        const QString pasted = QGuiApplication::clipboard()->text().trimmed();
        if (input.size() <= 2 * PastedAddressLength && addressPattern().match(pasted).hasMatch() &&
            input.contains(pasted)) {
            input = pasted;
            return Acceptable;
        }
        return Invalid;
    }
};

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}

QLabel *dotLabel(QWidget *parent)
{
    auto *dot = new QLabel(QStringLiteral("."), parent);
    dot->setFixedWidth(4);
    return dot;
}

} // namespace

ScanRangeEntry::ScanRangeEntry(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScanRangeEntry"));
    auto *validator = new OctetValidator(this);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    const char *const captions[] = {"From:", "To:", "Scan by:"};
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QLatin1String(captions[i]), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        m_captions.append(label);
    }
    for (int row = 0; row < 2; ++row) {
        grid->addWidget(m_captions.at(row), row, 0);
        auto *line = new QHBoxLayout;
        line->setSpacing(1);
        for (int octet = 0; octet < 4; ++octet) {
            const int index = row * 4 + octet;
            auto *edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("IP_%1").arg(index));
            edit->setValidator(validator);
            edit->setMaxLength(PastedAddressLength);
            edit->setAlignment(Qt::AlignCenter);
            edit->setFixedWidth(32);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textChanged, this, [this, index] { boxChanged(index); });
            m_boxes.append(edit);
            if (octet > 0)
                line->addWidget(dotLabel(this));
            line->addWidget(edit);
        }
        line->addStretch();
        grid->addLayout(line, row, 1);
    }
    m_arp = new QRadioButton(QStringLiteral("ARP"), this);
    m_arp->setObjectName(QStringLiteral("Option1_0"));
    m_udp = new QRadioButton(QStringLiteral("UDP"), this);
    m_udp->setObjectName(QStringLiteral("Option1_3"));
    m_arp->setChecked(true);
    auto *methods = new QHBoxLayout;
    methods->addWidget(m_arp);
    methods->addWidget(m_udp);
    methods->addStretch();
    grid->addWidget(m_captions.at(2), 2, 0);
    grid->addLayout(methods, 2, 1);
    for (QRadioButton *option : {m_arp, m_udp}) {
        connect(option, &QRadioButton::clicked, this, [this] {
            applyMethod();
            Q_EMIT methodChanged(method());
        });
    }
    applyMethod();
}

QStringList ScanRangeEntry::boxes() const
{
    QStringList texts;
    for (const QLineEdit *edit : m_boxes)
        texts << edit->text();
    return texts;
}

void ScanRangeEntry::setBoxes(const QStringList &texts)
{
    m_filling = true;
    for (int i = 0; i < BoxCount; ++i)
        m_boxes.at(i)->setText(texts.size() == BoxCount ? texts.at(i) : QString());
    m_filling = false;
}

QStringList ScanRangeEntry::boxesForScan() const
{
    QStringList texts = boxes();
    if (method() == ScanMethod::Arp) {
        for (int i = 0; i < 3; ++i)
            texts[4 + i] = texts.at(i);
    }
    return texts;
}

ScanMethod ScanRangeEntry::method() const
{
    return m_udp->isChecked() ? ScanMethod::Udp : ScanMethod::Arp;
}

void ScanRangeEntry::setMethod(ScanMethod method)
{
    (method == ScanMethod::Udp ? m_udp : m_arp)->setChecked(true);
    applyMethod();
}

void ScanRangeEntry::showRangeOrder(bool enteredBackwards)
{
    m_captions.at(0)->setText(QLatin1String(enteredBackwards ? "To:" : "From:"));
    m_captions.at(1)->setText(QLatin1String(enteredBackwards ? "From:" : "To:"));
}

void ScanRangeEntry::applyMethod()
{
    const bool arp = method() == ScanMethod::Arp;
    for (int i = 4; i < 7; ++i) {
        QLineEdit *edit = m_boxes.at(i);
        edit->setReadOnly(arp);
        QPalette colours = edit->palette();
        const QPalette standard = palette();
        colours.setColor(QPalette::Text,
                         arp ? standard.color(QPalette::Dark) : standard.color(QPalette::ButtonText));
        edit->setPalette(colours);
    }
}

void ScanRangeEntry::moveFocusOn(int index)
{
    if (m_filling)
        return;
    if (index < BoxCount - 1)
        m_boxes.at(index + 1)->setFocus(Qt::TabFocusReason);
    else if (m_scanButton)
        m_scanButton->setFocus(Qt::TabFocusReason);
}

void ScanRangeEntry::boxChanged(int index)
{
    QLineEdit *edit = m_boxes.at(index);
    if (edit->text().contains(QLatin1Char('.'))) {
        fillRowFrom(index);
    } else if (edit->text().toInt() > 255) {
        edit->setText(QStringLiteral("255")); // comes back here once more, now three characters long
    } else if (edit->text().size() >= 3 && edit->hasFocus() && !m_filling && index % 4 < 3 &&
               edit->cursorPosition() == edit->text().size()) {
        // The last box of a row keeps the caret, so that its digits can be
        // corrected and none spills into the other address.
        moveFocusOn(index);
        m_advancedTo = index + 1;
    }
}

int ScanRangeEntry::neighbour(int index, int step) const
{
    for (int other = index + step; other >= 0 && other < BoxCount && other / 4 == index / 4; other += step) {
        if (!m_boxes.at(other)->isReadOnly())
            return other;
    }
    return -1;
}

bool ScanRangeEntry::placeCaret(int index, int step, bool atEnd, QEvent *key)
{
    const int other = neighbour(index, step);
    if (other < 0)
        return false;
    QLineEdit *edit = m_boxes.at(other);
    m_placingCaret = true;
    edit->setFocus(Qt::OtherFocusReason);
    m_placingCaret = false;
    edit->setCursorPosition(atEnd ? int(edit->text().size()) : 0);
    if (key)
        QCoreApplication::sendEvent(edit, key);
    return true;
}

void ScanRangeEntry::fillRowFrom(int index)
{
    // The validator lets a dotted address in only whole.
    const int first = index - index % 4;
    const QStringList octets = m_boxes.at(index)->text().trimmed().split(QLatin1Char('.'));
    m_filling = true;
    for (int i = 0; i < 4; ++i)
        m_boxes.at(first + i)->setText(octets.value(i));
    m_filling = false;
    // Where typing the address would have left the focus.
    m_boxes.at(first + 3)->setFocus(Qt::OtherFocusReason);
}

bool ScanRangeEntry::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    const int index = int(m_boxes.indexOf(edit));
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // A click leaves the caret where it was clicked, and a move between
        // the boxes places it itself.
        if (!m_placingCaret && static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason)
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        if (index == m_advancedTo)
            m_advancedTo = -1;
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (isModifierKey(key->key()))
        return false;
    const bool justAdvanced = index == m_advancedTo;
    m_advancedTo = -1;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (!edit->text().isEmpty())
            moveFocusOn(index);
        return true;
    }
    // Some keyboards need Shift for digits.
    static const QRegularExpression typedWithShift(QStringLiteral("^[.,0-9]$"));
    if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier) &&
        !typedWithShift.match(key->text()).hasMatch())
        return false; // shortcuts such as Paste, selections; the validator still checks what they insert
    // The caret crosses from box to box of a row as over the dots of one
    // address; a box that the third digit has just moved to counts as one
    // whose caret stands at its start. A locked box lets no caret through.
    const qsizetype length = edit->text().size();
    const bool selected = (edit->hasSelectedText() && !justAdvanced) || edit->isReadOnly();
    const bool atStart = !selected && (justAdvanced || edit->cursorPosition() == 0);
    const bool atEnd = !selected && !justAdvanced && edit->cursorPosition() == length;
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart)
            placeCaret(index, -1, true, event);
        return atStart;
    case Qt::Key_Delete:
        if (atEnd)
            placeCaret(index, 1, false, event);
        return atEnd;
    case Qt::Key_Left:
        if (atStart)
            placeCaret(index, -1, true);
        return atStart;
    case Qt::Key_Right:
        if (atEnd)
            placeCaret(index, 1, false);
        return atEnd;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false; // the other editing and moving keys pass
    if (text == QLatin1String(".") || text == QLatin1String(",")) {
        if (!justAdvanced)
            moveFocusOn(index);
        return true;
    }
    if (!(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')))
        return true;
    if (edit->hasSelectedText() || length < 3)
        return false;
    // A full box: a digit at its end goes on to the start of the next box
    // of the row; anywhere else there is no room for it.
    if (atEnd)
        placeCaret(index, 1, false, event);
    return true;
}
