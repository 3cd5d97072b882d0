#pragma once

#include <stdexcept>
#include <string>

// A failed serial port operation, with the number and the text the serial facility gave.
// Handlers let it propagate; the panel shows it to the operator and runs on.
class PortError : public std::runtime_error
{
public:
    PortError(int number, const std::string &text);

    int number() const { return m_number; }

private:
    int m_number;
};
