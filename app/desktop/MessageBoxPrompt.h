#pragma once

#include "platform/Prompt.h"

#include <QPointer>
#include <QWidget>

// The window's prompt: every question and message as a modal QMessageBox
// with the request's title, text, buttons, default button and icon. GUI
// thread only. The box belongs to the window that asks: the active window
// when that is the given parent or one of its dialogs (a dialog that stays on
// top, such as Find, would otherwise hide a box owned by the main window),
// else the given parent.
class MessageBoxPrompt : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget *parent) { m_parent = parent; }
    PromptAnswer ask(const PromptRequest &request) override;
    // The parent the next box gets.
    QWidget *owner() const;

private:
    QPointer<QWidget> m_parent;
};
