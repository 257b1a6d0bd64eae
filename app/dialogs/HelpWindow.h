#pragma once

#include <QDialog>

class QTextBrowser;
class QUrl;

// The program's own window for its help page, for a desktop that has no
// browser: the page in a text browser, scrolled to the URL's section. One
// window, non-modal; opening another page reuses it.
class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *Name = "HelpWindow";

    explicit HelpWindow(QWidget *parent = nullptr);

    // A local HTML page, with its section as the URL's fragment.
    void showPage(const QUrl &page);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
