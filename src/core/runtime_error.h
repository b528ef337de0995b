#pragma once

#include <QString>

#include <stdexcept>

namespace kiebitz::core {

// A failure of one of the text/number helpers, carrying the error number and
// German description the user sees in the error report. Only the procedures
// that trap failures catch it; everywhere else it passes to the caller.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, QString description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(std::move(description))
    {}

    int number() const { return m_number; }
    const QString& description() const { return m_description; }

    static RuntimeError invalidArgument();      // 5
    static RuntimeError overflow();             // 6
    static RuntimeError typeMismatch();         // 13
    static RuntimeError subscriptOutOfRange();  // 9

private:
    int m_number;
    QString m_description;
};

}  // namespace kiebitz::core
