#include "porterror.h"

PortError::PortError(int number, const std::string &text) : std::runtime_error(text), m_number(number) {}

std::string PortError::warning() const
{
    std::string text = "Error ";
    text += std::to_string(m_number);
    text += ": ";
    text += what();
    return text;
}
