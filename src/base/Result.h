#pragma once

#include <QString>

#include <optional>
#include <utility>

// How the core says that something failed.
//
// A function that can fail returns a Result: what it made, or why it could not, in words for
// the fitter (the device, the file, the system's reason). Nothing is thrown, no out-parameter
// is filled half-way, and a caller cannot read a value that was never made without asking
// ok() first. Result<> is the same without a value.
//
// An object that holds a device or an open file (EcuLink over its serial port, the log
// writer) keeps Qt's own way instead, as the QSerialPort and QFile under it do: its calls
// return bool and errorString() tells the last failure, because the failure is the state of
// the device, met by whichever call touched it next (a write, a read, a tick).
struct Failure {
    QString why;
};

template <class T = void> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.why)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    // Empty when ok().
    const QString& errorString() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

template <> class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_ok(false), m_error(std::move(failure.why)) {}

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& errorString() const { return m_error; }

private:
    bool m_ok = true;
    QString m_error;
};
