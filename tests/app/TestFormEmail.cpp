#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

#include "app/commands/ReportCommands.h"
#include "app/dialogs/FormEmail.h"
#include "app/parts/MainMenus.h"
#include "app/parts/StatusBarPanels.h"
#include "mail/ReportRun.h"
#include "platform/SettingsSection.h"
#include "tests/app/WindowFixture.h"
#include "tests/mail/MailPeer.h"
#include "tests/support/ScriptedFileDialog.h"

// "Email Options" in the window, driven offscreen by object names: what it
// opens with, Save and the schedule it sets, Browse..., and Test against a
// mail server on 127.0.0.1 started by the test.
class TestFormEmail : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensWithTheDefaults();
    void saveSetsTheSchedule();
    void browseChoosesTheTestAttachment();
    void testButton_data();
    void testButton();
    void scheduledOutcomeInTheStatusBar();

private:
    void makeWindow();
    FormEmail *openOptions();
    template <typename T>
    T *control(const char *name) const
    {
        T *found = m_dialog ? m_dialog->findChild<T *>(QLatin1String(name)) : nullptr;
        if (!found)
            qWarning("no control %s", name);
        return found;
    }
    QAction *menuItem() const { return m_window->menus()->action(QStringLiteral("menuSet3")); }

    std::unique_ptr<WindowFixture> m_f;
    ScriptedFileDialog m_files;
    std::unique_ptr<FormMain> m_window;
    FormEmail *m_dialog = nullptr;
};

void TestFormEmail::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    m_files = ScriptedFileDialog();
    makeWindow();
}

void TestFormEmail::cleanup()
{
    m_window.reset();
    m_f.reset();
}

void TestFormEmail::makeWindow()
{
    m_window.reset();
    QVERIFY(storeAutoScanOff(m_f->dataFolder()));
    FormMain::Options options = m_f->options();
    options.fileDialog = &m_files;
    m_window = std::make_unique<FormMain>(options);
}

FormEmail *TestFormEmail::openOptions()
{
    menuItem()->trigger();
    m_dialog = m_window->reportCommands()->dialog();
    return m_dialog;
}

void TestFormEmail::opensWithTheDefaults()
{
    QVERIFY(menuItem()->isEnabled());
    QVERIFY(!menuItem()->isChecked());
    QVERIFY(openOptions());
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Email Options"));
    // A click does not tick the item; only saved settings do.
    QVERIFY(!menuItem()->isChecked());

    auto *hours = control<QComboBox>("cboHour");
    auto *minutes = control<QComboBox>("cboMinute");
    QVERIFY(hours && minutes);
    QCOMPARE(hours->count(), 24);
    QCOMPARE(minutes->count(), 60);
    QCOMPARE(hours->itemText(9), QStringLiteral("9"));
    QCOMPARE(minutes->itemText(5), QStringLiteral("5"));
    QCOMPARE(hours->currentText(), QStringLiteral("17"));
    QCOMPARE(minutes->currentText(), QStringLiteral("30"));
    QVERIFY(control<QCheckBox>("chkAuth")->isChecked());
    QVERIFY(control<QCheckBox>("Check2")->isChecked());
    QVERIFY(!control<QCheckBox>("Check1")->isChecked());
    QCOMPARE(control<QCheckBox>("Check1")->text(), QStringLiteral("Send Email Report"));
    QCOMPARE(control<QCheckBox>("Check2")->text(),
             QStringLiteral("Doesn't sent when there is no analysis results"));
    QCOMPARE(control<QLineEdit>("txtPass")->echoMode(), QLineEdit::Password);
    QCOMPARE(control<QComboBox>("cboEncryption")->currentText(), QStringLiteral("STARTTLS"));
    QVERIFY(control<QLabel>("lblPlainPassword")->text().contains(QLatin1String("travels in clear")));
    for (const char *name :
         {"txtSMTPHost", "txtUser", "txtSender", "txtSmsNumber", "txtSubject", "txtAttach"})
        QVERIFY2(control<QLineEdit>(name) && control<QLineEdit>(name)->text().isEmpty(), name);
    QVERIFY(control<QPlainTextEdit>("txtMessage"));
    for (const char *name : {"cmdSave", "cmdSend", "cmdBrowse"})
        QVERIFY2(control<QPushButton>(name), name);
    QVERIFY(!m_window->reportCommands()->report().schedule().isEnabled());
}

void TestFormEmail::saveSetsTheSchedule()
{
    QVERIFY(openOptions());
    control<QLineEdit>("txtSMTPHost")->setText(QStringLiteral("mail.example.net"));
    control<QLineEdit>("txtPass")->setText(QStringLiteral("s3cret"));
    control<QPlainTextEdit>("txtMessage")->setPlainText(QStringLiteral("Daily findings"));
    control<QComboBox>("cboHour")->setCurrentIndex(9);
    control<QComboBox>("cboMinute")->setCurrentIndex(5);
    control<QComboBox>("cboEncryption")->setCurrentIndex(1);
    control<QCheckBox>("Check1")->setChecked(true);
    control<QCheckBox>("chkAuth")->setChecked(false);
    control<QPushButton>("cmdSave")->click();

    QVERIFY(menuItem()->isChecked());
    DailyReport &report = m_window->reportCommands()->report();
    QVERIFY(report.schedule().isEnabled());
    QCOMPARE(report.scheduledText(), QStringLiteral("9:5"));

    const SettingsSection store(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"));
    const QList<QPair<const char *, const char *>> stored = {{"SMTPHOST", "mail.example.net"},
                                                             {"Hour", "9"},
                                                             {"Minute", "5"},
                                                             {"ISsend", "1"},
                                                             {"ISresult", "1"},
                                                             {"AUTH", "0"},
                                                             {"Message", "Daily findings"},
                                                             {"Encryption", "starttls"}};
    for (const auto &[name, value] : stored)
        QCOMPARE(store.value(QLatin1String(name)), QLatin1String(value));
    QVERIFY(!store.contains(QStringLiteral("PASS")));

    // The next start finds the report on.
    m_dialog->close();
    makeWindow();
    QVERIFY(menuItem()->isChecked());
    QVERIFY(m_window->reportCommands()->report().schedule().isEnabled());
    QVERIFY(openOptions());
    QCOMPARE(control<QLineEdit>("txtPass")->text(), QStringLiteral("s3cret"));
    QCOMPARE(control<QComboBox>("cboEncryption")->currentText(), QStringLiteral("STARTTLS"));

    // Switched off again.
    control<QCheckBox>("Check1")->setChecked(false);
    control<QPushButton>("cmdSave")->click();
    QVERIFY(!menuItem()->isChecked());
    QVERIFY(!m_window->reportCommands()->report().schedule().isEnabled());
}

void TestFormEmail::browseChoosesTheTestAttachment()
{
    QVERIFY(openOptions());
    m_files.answer(QStringLiteral("/tmp/findings.txt"));
    control<QPushButton>("cmdBrowse")->click();
    QCOMPARE(m_files.requests().size(), 1);
    QCOMPARE(m_files.requests().first().title, QStringLiteral("Attach ..."));
    QCOMPARE(m_files.requests().first().filter, QStringLiteral("All File (*.*)|*.*"));
    QCOMPARE(control<QLineEdit>("txtAttach")->text(), QStringLiteral("/tmp/findings.txt"));
    m_files.cancel();
    control<QPushButton>("cmdBrowse")->click();
    QCOMPARE(control<QLineEdit>("txtAttach")->text(), QStringLiteral("/tmp/findings.txt"));
}

void TestFormEmail::testButton_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::newRow("sent") << true;
    QTest::newRow("no server") << false;
}

void TestFormEmail::testButton()
{
    QFETCH(bool, serverUp);
    const QString spool = m_f->path(QStringLiteral("spool"));
    QVERIFY(QDir().mkpath(spool));
    MailPeer peer;
    quint16 port = 0;
    if (serverUp) {
        const QString script = QString::fromLocal8Bit(qgetenv("NETKESTREL_SOURCE_DIR")) +
                               QStringLiteral("/tests/mail/smtp_peer.py");
        QVERIFY2(peer.start(QStringLiteral("/usr/bin/python3"), {script, "--spool", spool}),
                 qPrintable(peer.output()));
        port = peer.port();
    } else {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }

    // The message as last saved goes out, not the text in the box.
    SettingsSection(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"))
        .setValue(QStringLiteral("Message"), QStringLiteral("Saved message"));
    QVERIFY(openOptions());
    control<QLineEdit>("txtSMTPHost")->setText(QStringLiteral("127.0.0.1"));
    control<QSpinBox>("txtSMTPPort")->setValue(port);
    control<QComboBox>("cboEncryption")->setCurrentIndex(0); // the peer speaks no TLS
    control<QCheckBox>("chkAuth")->setChecked(false);
    control<QLineEdit>("txtSender")->setText(QStringLiteral("kestrel@example.com"));
    control<QLineEdit>("txtSmsNumber")->setText(QStringLiteral("admin@example.net"));
    control<QLineEdit>("txtSubject")->setText(QStringLiteral("Test"));
    control<QPlainTextEdit>("txtMessage")->setPlainText(QStringLiteral("Unsaved message"));
    m_f->prompt.reset();
    control<QPushButton>("cmdSend")->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_f->prompt.requests().size(), 1, 30000);

    const PromptRequest said = m_f->prompt.lastRequest();
    if (serverUp) {
        QCOMPARE(said.text, QLatin1String(FormEmail::SentText));
        QCOMPARE(said.icon, PromptIcon::Information);
        QFile mail(spool + QStringLiteral("/1.eml"));
        QVERIFY(mail.open(QIODevice::ReadOnly));
        const QByteArray bytes = mail.readAll();
        QVERIFY(bytes.contains("Saved message"));
        QVERIFY(!bytes.contains("Unsaved message"));
    } else {
        QCOMPARE(said.icon, PromptIcon::Critical);
        QVERIFY(!said.text.isEmpty());
        QVERIFY(said.text != QLatin1String(FormEmail::SentText));
    }
    // Nothing of the test is saved.
    QVERIFY(!SettingsSection(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"))
                 .contains(QStringLiteral("SMTPHost")));
}

void TestFormEmail::scheduledOutcomeInTheStatusBar()
{
    ReportSettings settings; // ISresult on, and the analysis list is empty
    settings.isSend = true;
    DailyReport &report = m_window->reportCommands()->report();
    report.setSettings(settings);
    QDateTime now(QDate(2026, 12, 7), QTime(17, 30, 0));
    report.schedule().setClock([&] { return now; });
    QTRY_COMPARE(m_window->statusPanels()->statusText(), QLatin1String(ReportRun::NothingToSend));
}

QTEST_MAIN(TestFormEmail)
#include "TestFormEmail.moc"
