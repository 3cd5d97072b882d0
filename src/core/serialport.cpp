#include "serialport.h"

void SerialPort::raiseOnComm()
{
    if (m_onComm)
        m_onComm();
}
