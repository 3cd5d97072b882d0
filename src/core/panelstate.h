#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The form-level variables that every handler of the panel shares. All handlers run on the
// one UI thread, one at a time, so nothing here needs a lock.
//
// Text fields are byte strings: one character per byte on the serial line, any value 0-255.
struct PanelState {
    std::uint8_t heldAdjuster = 0;  // repeat code of the held adjuster; 0 = none
    std::uint8_t awaitingReply = 0; // 1 from a transmit until text arrives or Timer2 fires
    std::uint8_t arrowStepMode = 0; // which display intervals an arrow press sets
    std::string lastCommand;        // the framed string last handed over for transmission
    std::string receiveBuffer;      // all text received since the last clearing
    std::int16_t pressureValue = 0; // last pressure reading, finally in hPa
    std::int16_t extendedPanel = 0; // 1 from Ctrl+J until the next Command34 click
    std::string typedCommand;       // text last taken from Text1 by SEND, before framing
    std::string commSettings;       // settings text handed to the serial port
    std::string commandPrefix;      // put before every code; stays empty for the whole run
};

inline constexpr char kCarriageReturn = '\r';

// What goes on the line for a code: the prefix, the code, a carriage return. Sending and
// recognising a query's reply must both use this, so that they always agree.
std::string frameCommand(const PanelState &state, std::string_view code);
