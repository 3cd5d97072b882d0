#include "porterror.h"

PortError::PortError(int number, const std::string &text) : std::runtime_error(text), m_number(number) {}
