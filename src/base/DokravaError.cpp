#include "base/DokravaError.h"

DokravaError::DokravaError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}
