#include "base/DokravaError.h"

namespace dokrava {

DokravaError::DokravaError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

} // namespace dokrava
