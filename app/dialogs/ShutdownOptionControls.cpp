#include "app/dialogs/ShutdownOptionControls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

ShutdownOptionControls::ShutdownOptionControls(QWidget *dialog, int delayLength)
    : frame(new QGroupBox(QStringLiteral("Options"), dialog)),
      killApps(new QCheckBox(QStringLiteral("Kill Applications Without Saving Data"), frame)),
      reboot(new QCheckBox(QStringLiteral("Reboot After Shutdown"), frame)),
      message(new QPlainTextEdit(dialog)),
      delay(new QLineEdit(dialog))
{
    frame->setObjectName(QStringLiteral("fraOptions"));
    killApps->setObjectName(QStringLiteral("chkKillApps"));
    reboot->setObjectName(QStringLiteral("chkReboot"));
    message->setObjectName(QStringLiteral("txtMessage"));
    delay->setObjectName(QStringLiteral("txtDelay"));
    delay->setMaxLength(delayLength);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(killApps);
    frameLayout->addWidget(reboot);

    // A plain text box has no length limit of its own: cut what goes beyond.
    QObject::connect(message, &QPlainTextEdit::textChanged, message, [box = message] {
        const QString text = box->toPlainText();
        if (text.size() <= ShutdownOptions::MaxMessageLength)
            return;
        box->setPlainText(text.left(ShutdownOptions::MaxMessageLength));
        box->moveCursor(QTextCursor::End);
    });
}

void ShutdownOptionControls::show(const ShutdownOptions &options)
{
    killApps->setChecked(options.force);
    reboot->setChecked(options.reboot);
    message->setPlainText(options.message);
    delay->setText(options.delay);
}

ShutdownOptions ShutdownOptionControls::values() const
{
    return {killApps->isChecked(), message->toPlainText(), delay->text(), reboot->isChecked()};
}
