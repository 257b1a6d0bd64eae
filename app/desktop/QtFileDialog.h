#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/FileDialog.h"

// The window's file dialog: the platform's standard open or save dialog over
// its owner, modal. Open requires an existing file; save asks before
// overwriting one. GUI thread only.
class QtFileDialog : public FileDialog
{
public:
    explicit QtFileDialog(QWidget *owner = nullptr) : m_owner(owner) {}

    void setOwner(QWidget *owner) { m_owner = owner; }
    QString choose(const FileDialogRequest &request) override;

    // "Text (*.txt)|*.txt|All|*" as Qt's name filters: one "description
    // (pattern)" per pair, so Qt matches the pattern given and not one it
    // guesses from the description.
    static QStringList nameFilters(const QString &filter);

private:
    QPointer<QWidget> m_owner;
};
