#pragma once

#include <QList>

#include "platform/WorkRunner.h"

// Runs each work item on the test's own thread: at once, or, while held,
// when the test releases it, so that a test sees the window while the work
// is still running. The result is handed back before release() returns.
class ScriptedWorkRunner : public WorkRunner
{
public:
    void hold(bool on) { m_holding = on; }
    qsizetype pending() const { return m_held.size(); }
    // Runs the oldest held item; false when none is held.
    bool release()
    {
        if (m_held.isEmpty())
            return false;
        m_held.takeFirst()();
        return true;
    }

protected:
    void submit(Task task) override
    {
        if (m_holding)
            m_held.append(std::move(task));
        else
            task();
    }

private:
    bool m_holding = false;
    QList<Task> m_held;
};
