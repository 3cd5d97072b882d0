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
    // What the operator is told: "Error 2: /dev/ttyUSB0: Permission denied".
    std::string warning() const;

private:
    int m_number;
};
