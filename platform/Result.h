#pragma once

#include <QString>

#include <optional>
#include <utility>

// How the engine reports failure. A call that can fail returns Result<T>:
// either its value or a message for the user in the program's own words,
// ready for a prompt or for standard error. There are no bool out-parameters
// and no lastError() to ask afterwards.
//
//   const Result<bool> taken = store.isIpTaken(ip, exceptId);
//   if (!taken) {                // the call failed: taken.error() says why
//       prompt.error(taken.error());
//       return;
//   }
//   if (*taken) ...              // the call worked: *taken is its answer
//
// Result<> is for calls that return nothing but can fail. A failure is made
// from Failure{message}, which converts to any Result.
struct Failure
{
    QString message;
};

template <typename T = void>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.message)) {}

    // True when the call worked (whatever the value is).
    explicit operator bool() const { return m_value.has_value(); }
    bool ok() const { return m_value.has_value(); }

    // Only after a successful call.
    T &operator*() & { return *m_value; }
    const T &operator*() const & { return *m_value; }
    // By value, so that `for (x : *call())` keeps the value alive for the loop.
    T operator*() && { return std::move(*m_value); }
    T *operator->() { return &*m_value; }
    const T *operator->() const { return &*m_value; }

    // Only after a failed call.
    const QString &error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_ok(false), m_error(std::move(failure.message)) {}

    explicit operator bool() const { return m_ok; }
    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }

private:
    bool m_ok = true;
    QString m_error;
};
