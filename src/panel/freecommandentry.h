#pragma once

#include "observable.h"

#include <string>

class LinkCore;
class Timer;
struct PanelState;

// The command box Text1 with SEND and CLS: any text the operator types goes out as one
// command, framed like every other. Text is bytes, one per character, as on the line.
class FreeCommandEntry
{
public:
    FreeCommandEntry(PanelState &state, LinkCore &link, Timer &timer2, Timer &timer4);

    // SEND: the box's text, unchanged, as a command with the two-second wait. May throw
    // PortError.
    void send();
    // The same for `text` in place of the box's: a command from outside the window.
    void sendText(const std::string &text);
    // CLS: empties the box and nothing else.
    void clear();

    Observable<std::string> text1; // the box's text; the window keeps it in step both ways

private:
    PanelState &m_state;
    LinkCore &m_link;
    Timer &m_timer2;
    Timer &m_timer4;
};
