#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

#include <functional>
#include <type_traits>
#include <utility>

// Runs long work (an outside program, a large write to the store) away from
// the window's thread, so that the window keeps repainting and answering,
// and hands the result back on the window's thread. The work gets copies of
// what it needs, never a widget: it may outlast the dialog that started it.
// What the work uses must be safe on another thread (a store copy opens a
// connection of its own there; a program runner needs no event loop).
//
// PoolWorkRunner runs the work for real; ScriptedWorkRunner (tests/support)
// holds each item until the test releases it.
class WorkRunner
{
public:
    using Task = std::function<void()>;

    virtual ~WorkRunner() = default;

    // work() on a worker thread, then done(its result) on the window's thread,
    // unless the receiver (an object of the window's thread) is gone by then.
    template <typename Work, typename Done>
    void run(QObject *receiver, Work work, Done done)
    {
        QPointer<QObject> guard(receiver);
        submit([guard, work = std::move(work), done = std::move(done)]() mutable {
            using Value = std::invoke_result_t<Work &>;
            if constexpr (std::is_void_v<Value>) {
                work();
                handBack(guard, [done = std::move(done)]() mutable { done(); });
            } else {
                handBack(guard,
                         [done = std::move(done), value = work()]() mutable { done(std::move(value)); });
            }
        });
    }

    // Calls step on the window's thread unless the receiver is gone: at once
    // when already there, queued otherwise (a work's progress, a question).
    template <typename Receiver, typename Step>
    static void handBack(const QPointer<Receiver> &receiver, Step step)
    {
        QCoreApplication *app = QCoreApplication::instance();
        if (app == nullptr)
            return;
        if (QThread::currentThread() == app->thread()) {
            if (receiver)
                step();
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [receiver, step = std::move(step)]() mutable {
                if (receiver)
                    step();
            },
            Qt::QueuedConnection);
    }

    // Like handBack, but waits for step to return (a question to the user
    // asked while the work waits for the answer); false when the receiver
    // was gone and step never ran.
    static bool callBack(const QPointer<QObject> &receiver, const std::function<void()> &step);

protected:
    virtual void submit(Task task) = 0;
};

// Work items run on a pool of threads of their own; with one thread they run
// in the order they were given. Destroying the runner waits for the items
// already given; call waitForDone() first where they may ask questions.
class PoolWorkRunner : public WorkRunner
{
public:
    explicit PoolWorkRunner(int threads = 4);
    ~PoolWorkRunner() override;

    // Returns when every item given so far has run and, on the window's
    // thread, its result has been handed back.
    void waitForDone();

protected:
    void submit(Task task) override;

private:
    QThreadPool m_pool;
};

#include "platform/Prompt.h"

// The window's prompt for work on another thread: each question is asked on
// the window's thread while the work waits for its answer. Once the receiver
// is gone nothing is shown and every question is answered Cancel.
class HandedBackPrompt : public Prompt
{
public:
    HandedBackPrompt(Prompt &prompt, QObject *receiver) : m_prompt(prompt), m_receiver(receiver) {}

    PromptAnswer ask(const PromptRequest &request) override
    {
        PromptAnswer answer = PromptAnswer::Cancel;
        (void)WorkRunner::callBack(m_receiver, [this, &request, &answer] { answer = m_prompt.ask(request); });
        return answer;
    }

private:
    Prompt &m_prompt;
    QPointer<QObject> m_receiver;
};
