#include "app/dialogs/ComputerPicker.h"
#include "app/dialogs/FormMsg1.h"
#include "app/dialogs/FormShutdown.h"
#include "app/dialogs/FormShutdownOp.h"
#include "platform/SettingsSection.h"
#include "tests/support/ScriptedProgramRunner.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/ScriptedWorkRunner.h"
#include "tools/MessageSender.h"
#include "tools/RemoteShutdown.h"
#include "tools/ShutdownOptions.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(ProgramOutcome)

// "Send Message", "Remote Shutdown", its options and the computer picker,
// driven offscreen by their object names over a scripted smbclient and net.
class TestMessageShutdownDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sendMessage_data();
    void sendMessage();
    void shutdownButtons_data();
    void shutdownButtons();
    void shutdownUsesTheDialogsOptions();
    void requestRunsOffTheWindowsThread_data();
    void requestRunsOffTheWindowsThread();
    void optionsDialog_data();
    void optionsDialog();
    void picker();

private:
    template <typename T>
    static T *child(QWidget &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QLatin1String(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    static void click(QWidget &dialog, const char *name) { child<QPushButton>(dialog, name)->click(); }

    std::unique_ptr<QTemporaryDir> m_config;
    ScriptedProgramRunner m_runner;
    ScriptedPrompt m_prompt;
    ScriptedWorkRunner m_work;
};

void TestMessageShutdownDialogs::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    m_runner = {};
    m_prompt.reset();
    m_work.hold(false);
}

void TestMessageShutdownDialogs::sendMessage_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<ProgramOutcome>("outcome"); // of smbclient, when it runs
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");

    const ProgramOutcome none = ScriptedProgramRunner::finished(0);
    QTest::newRow("blanks only") << "   " << none << "Error"
                                 << "Send To Can not be empty! " << int(PromptIcon::Exclamation);
    QTest::newRow("delivered") << "198.18.7.10" << none << "NetSend"
                               << "The message was successfully sent" << int(PromptIcon::Information);
    QTest::newRow("not accepted") << "PEER"
                                  << ScriptedProgramRunner::finished(0, {},
                                                                     "NT_STATUS_REQUEST_NOT_ACCEPTED\n")
                                  << "Error"
                                  << "Send To not found;or Messenger Service Does Not Start"
                                  << int(PromptIcon::Critical);
    QTest::newRow("malformed") << "A*B" << none << "Error"
                               << "Illegal character or malformed name." << int(PromptIcon::Critical);
    QTest::newRow("smbclient missing")
        << "PEER" << ScriptedProgramRunner::withStatus(ProgramOutcome::Status::NotInstalled) << "Error"
        << MessageSender::senderMissingText() << int(PromptIcon::Critical);
}

void TestMessageShutdownDialogs::sendMessage()
{
    QFETCH(QString, destination);
    QFETCH(ProgramOutcome, outcome);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, icon);
    m_runner.queueOutcome("smbclient", outcome);
    MessageSender sender(m_runner);
    FormMsg1 dialog(sender, m_prompt, m_work, QStringLiteral("198.18.7.99"));
    QCOMPARE(dialog.windowTitle(), "Send Message");
    QCOMPARE(child<QLineEdit>(dialog, "txtComputer")->text(), "198.18.7.99");
    child<QLineEdit>(dialog, "txtComputer")->setText(destination);
    child<QPlainTextEdit>(dialog, "Text2")->setPlainText(QStringLiteral("lunch at one"));
    click(dialog, "Command1");
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, title);
    QCOMPARE(m_prompt.lastRequest().text, text);
    QCOMPARE(int(m_prompt.lastRequest().icon), icon);
    if (title == "NetSend")
        QCOMPARE(m_runner.lastRun().input, "lunch at one");
    QVERIFY(child<QPushButton>(dialog, "Command1")->isEnabled());
}

void TestMessageShutdownDialogs::shutdownButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<int>("netExit"); // -1: net must not run
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("shutdown, no target")
        << "cmdShutdown"
        << ""
        << "30" << -1 << "Specify a Computer" << RemoteShutdown::noTargetText(false);
    QTest::newRow("abort, no target")
        << "cmdAbort"
        << ""
        << "30" << -1 << "Specify a Computer" << RemoteShutdown::noTargetText(true);
    QTest::newRow("bad delay") << "cmdShutdown"
                               << "PC"
                               << "ab" << -1 << "Notice"
                               << "'Delay' Please fill in the integer 0-999";
    QTest::newRow("three digits") << "cmdShutdown"
                                  << "PC"
                                  << "999" << 0 << "Shutdown Sent"
                                  << RemoteShutdown::shutdownSentText("PC", "999");
    QTest::newRow("sent") << "cmdShutdown"
                          << "198.18.7.10"
                          << "45" << 0 << "Shutdown Sent"
                          << RemoteShutdown::shutdownSentText("198.18.7.10", "45");
    QTest::newRow("sent now") << "cmdShutdown"
                              << "PC"
                              << "0" << 0 << "Shutdown Sent" << RemoteShutdown::shutdownSentText("PC", "0");
    QTest::newRow("refused") << "cmdShutdown"
                             << "PC"
                             << "30" << 255 << "Cannot Shutdown" << RemoteShutdown::shutdownFailedText("PC");
    QTest::newRow("aborted") << "cmdAbort"
                             << "PC"
                             << "ab" << 0 << "Abort Successful" << RemoteShutdown::abortSentText("PC");
    QTest::newRow("too late") << "cmdAbort"
                              << "PC"
                              << "30" << 255 << "Cannot Abort" << RemoteShutdown::abortFailedText("PC");
}

void TestMessageShutdownDialogs::shutdownButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, target);
    QFETCH(QString, delay);
    QFETCH(int, netExit);
    QFETCH(QString, title);
    QFETCH(QString, text);
    if (netExit >= 0)
        m_runner.queueOutcome("net", ScriptedProgramRunner::finished(netExit));
    RemoteShutdown shutdown(m_runner);
    FormShutdown dialog(shutdown, m_prompt, m_work, target, {});
    child<QLineEdit>(dialog, "txtDelay")->setText(delay);
    click(dialog, button.toLatin1().constData());
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, title);
    QCOMPARE(m_prompt.lastRequest().text, text);
    QCOMPARE(m_runner.runs().size(), netExit >= 0 ? 1 : 0);
    if (netExit >= 0 && button == "cmdShutdown")
        QVERIFY(m_runner.lastRun().arguments.join(' ').contains(
            " -t " + QString::number(qMax(delay.toInt(), 1))));
}

void TestMessageShutdownDialogs::shutdownUsesTheDialogsOptions()
{
    const SettingsSection section = ShutdownOptions::section();
    ShutdownOptions{false, QStringLiteral("stored text"), QStringLiteral("12"), true}.store(section);
    m_runner.queueOutcome("net", ScriptedProgramRunner::finished(0));
    RemoteShutdown shutdown(m_runner);
    QStringList picked{QStringLiteral("\\\\ALPHA10")};
    FormShutdown dialog(shutdown, m_prompt, m_work, QStringLiteral("198.18.7.10"),
                        [&picked](QWidget *, const std::function<void(const QString &)> &chosen) {
                            chosen(picked.takeFirst());
                        });
    QCOMPARE(child<QPlainTextEdit>(dialog, "txtMessage")->toPlainText(), "stored text");
    QVERIFY(child<QCheckBox>(dialog, "chkReboot")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "txtPassword")->echoMode(), QLineEdit::Password);

    click(dialog, "cmdBrowse");
    QCOMPARE(child<QLineEdit>(dialog, "txtComputer")->text(), "\\\\ALPHA10");
    child<QCheckBox>(dialog, "chkKillApps")->setChecked(true);
    child<QPlainTextEdit>(dialog, "txtMessage")->setPlainText(QString(200, 'x'));
    child<QLineEdit>(dialog, "txtUser")->setText(QStringLiteral("admin"));
    child<QLineEdit>(dialog, "txtPassword")->setText(QStringLiteral("pw"));
    click(dialog, "cmdShutdown");
    QCOMPARE(m_runner.lastRun().arguments,
             QStringList({"rpc", "shutdown", "--server=ALPHA10", "--user=admin", "-t", "12",
                          "--comment=" + QString(127, 'x'), "-f", "-r"}));
    QCOMPARE(m_runner.lastRun().environment, QStringList{"PASSWD=pw"});
    // The dialog's own options and the account are never stored.
    QVERIFY(!ShutdownOptions::load(section).force);
    QFile file(section.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("admin"));
}

void TestMessageShutdownDialogs::requestRunsOffTheWindowsThread_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title"); // told once the program ends
    QTest::newRow("shutdown") << "cmdShutdown"
                              << "Shutdown Sent";
    QTest::newRow("abort") << "cmdAbort"
                           << "Abort Successful";
    QTest::newRow("message") << "Command1"
                             << "NetSend";
}

void TestMessageShutdownDialogs::requestRunsOffTheWindowsThread()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    m_runner.queueOutcome(ScriptedProgramRunner::finished(0));
    RemoteShutdown shutdown(m_runner);
    MessageSender sender(m_runner);
    std::unique_ptr<QDialog> dialog;
    if (button == QLatin1String("Command1"))
        dialog = std::make_unique<FormMsg1>(sender, m_prompt, m_work, QStringLiteral("198.18.7.10"));
    else
        dialog = std::make_unique<FormShutdown>(shutdown, m_prompt, m_work, QStringLiteral("198.18.7.10"),
                                                nullptr);
    dialog->show();
    m_work.hold(true);
    click(*dialog, button.toLatin1().constData());

    // The program has not ended: the window goes on, the request cannot be
    // sent again and the dialog cannot be closed.
    QCOMPARE(m_work.pending(), 1);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);
    QVERIFY(!child<QPushButton>(*dialog, button.toLatin1().constData())->isEnabled());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialog->reject();
    QVERIFY(dialog->isVisible());
    QVERIFY(m_prompt.requests().isEmpty());

    QVERIFY(m_work.release());
    QCOMPARE(m_runner.runs().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, title);
    QVERIFY(child<QPushButton>(*dialog, button.toLatin1().constData())->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    dialog->reject();
    QVERIFY(!dialog->isVisible());
}

void TestMessageShutdownDialogs::optionsDialog_data()
{
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("shown");  // after OK
    QTest::addColumn<QString>("stored"); // empty: refused, nothing stored

    QTest::newRow("07") << "07"
                        << "7"
                        << "7";
    QTest::newRow("0") << "0"
                       << "0"
                       << "0";
    QTest::newRow("-5") << "-5"
                        << "-5"
                        << "";
    QTest::newRow("ab") << "ab"
                        << "ab"
                        << "";
}

void TestMessageShutdownDialogs::optionsDialog()
{
    QFETCH(QString, delay);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    const SettingsSection section = ShutdownOptions::section();
    FormShutdownOp dialog(m_prompt);
    QCOMPARE(dialog.windowTitle(), "Remote Shutdown Options");
    QCOMPARE(child<QLineEdit>(dialog, "txtDelay")->text(), "30"); // nothing stored yet
    QCOMPARE(child<QLineEdit>(dialog, "txtDelay")->maxLength(), 2);
    child<QLineEdit>(dialog, "txtDelay")->setText(delay);
    child<QCheckBox>(dialog, "chkKillApps")->setChecked(true);
    click(dialog, "Command1");
    QCOMPARE(child<QLineEdit>(dialog, "txtDelay")->text(), shown);
    if (stored.isEmpty()) {
        QCOMPARE(m_prompt.lastRequest().text, "'Delay' Please fill in the integer 0-99");
        QVERIFY(!section.contains("Delay") && !section.contains("IsForce"));
        return;
    }
    QVERIFY(m_prompt.requests().isEmpty());
    QCOMPARE(section.value("Delay"), stored);
    QCOMPARE(section.value("IsForce"), "1");
    QCOMPARE(section.value("IsReboot"), "0");
    // "Close" stores nothing.
    child<QCheckBox>(dialog, "chkKillApps")->setChecked(false);
    click(dialog, "cmdClose");
    QCOMPARE(section.value("IsForce"), "1");
}

void TestMessageShutdownDialogs::picker()
{
    ComputerPicker picker({"198.18.7.10", "ALPHA10"});
    QCOMPARE(picker.windowTitle(), "Select a network computer.");
    child<QListWidget>(picker, "lstComputers")->setCurrentRow(1);
    QCOMPARE(picker.chosen(), ""); // not chosen yet
    click(picker, "cmdOK");
    QCOMPARE(picker.chosen(), "\\\\ALPHA10");
    ComputerPicker cancelled({"ALPHA10"});
    child<QListWidget>(cancelled, "lstComputers")->setCurrentRow(0);
    click(cancelled, "cmdCancel");
    QCOMPARE(cancelled.chosen(), "");
}

QTEST_MAIN(TestMessageShutdownDialogs)
#include "TestMessageShutdownDialogs.moc"
