#include "app/desktop/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton standardButton(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Ok:
        return QMessageBox::Ok;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    case PromptAnswer::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons standardButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon messageIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::None:
        return QMessageBox::NoIcon;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Closing the box with Escape or the title bar answers Cancel where there is
// one, else No, else the only button.
PromptAnswer escapeAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

} // namespace

QWidget *MessageBoxPrompt::owner() const
{
    QWidget *active = QApplication::activeWindow();
    // parentWidget() crosses window boundaries, where isAncestorOf() stops.
    for (const QWidget *widget = active; widget && m_parent; widget = widget->parentWidget()) {
        if (widget == m_parent)
            return active;
    }
    return m_parent;
}

PromptAnswer MessageBoxPrompt::ask(const PromptRequest &request)
{
    // The program's texts break lines with CR LF; a plain-text label wants LF.
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(messageIcon(request.icon), request.title, text, standardButtons(request.buttons),
                    owner());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(standardButton(request.defaultAnswer));
    box.setEscapeButton(standardButton(escapeAnswer(request.buttons)));
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    default:
        return escapeAnswer(request.buttons);
    }
}
