#include "ScanRangeEntry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

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
    // Pasted text goes through the same door as typed text: digits only.
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
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
            edit->setValidator(digits);
            edit->setMaxLength(3);
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
        colours.setColor(QPalette::Text, arp ? standard.color(QPalette::Dark) : standard.color(QPalette::ButtonText));
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
    if (edit->text().toInt() > 255)
        edit->setText(QStringLiteral("255"));  // comes back here once more, now three characters long
    else if (edit->text().size() >= 3 && edit->hasFocus())
        moveFocusOn(index);
}

bool ScanRangeEntry::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    const int index = int(m_boxes.indexOf(edit));
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed its cursor.
        QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (!edit->text().isEmpty())
            moveFocusOn(index);
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint() || key->key() == Qt::Key_Backspace)
        return false;  // editing and moving keys pass
    if (text == QLatin1String(".") || text == QLatin1String(",")) {
        moveFocusOn(index);
        return true;
    }
    return !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'));
}
