#include "porterror.h"

PortError::PortError(int number, const std::string &text) : std::runtime_error(text), m_number(number) {}

std::string PortError::warning() const
{
    return "Error " + std::to_string(m_number) + ": " + what();
}
