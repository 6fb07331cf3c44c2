#pragma once

#include <QString>
#include <stdexcept>

namespace dokrava {

// The one error type of the core: every failed operation throws it with a Russian message
// that the windows show as it is and the command line tool prints on standard error.
class DokravaError : public std::runtime_error
{
public:
    // An error whose text is shown to the user unchanged.
    explicit DokravaError(const QString &message);

    // The message as the user reads it.
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace dokrava
