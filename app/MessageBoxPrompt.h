#pragma once

#include "Prompt.h"

#include <QPointer>
#include <QWidget>

// The window's prompt: every question and message as a modal QMessageBox
// over the given parent, with the request's title, text, buttons, default
// button and icon. GUI thread only.
class MessageBoxPrompt : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget *parent) { m_parent = parent; }
    PromptAnswer ask(const PromptRequest &request) override;

private:
    QPointer<QWidget> m_parent;
};
