#include "freecommandentry.h"

#include "commandcatalogue.h"
#include "linkcore.h"
#include "panelstate.h"
#include "timer.h"

FreeCommandEntry::FreeCommandEntry(PanelState &state, LinkCore &link, Timer &timer2, Timer &timer4)
    : m_state(state), m_link(link), m_timer2(timer2), m_timer4(timer4)
{
}

void FreeCommandEntry::send()
{
    sendText(text1.get());
}

void FreeCommandEntry::sendText(const std::string &text)
{
    m_timer2.setInterval(kTwoSecondWait.replyWait);
    m_timer4.setInterval(kTwoSecondWait.displayClear);
    m_state.typedCommand = text;
    m_link.transmit(m_state.typedCommand);
}

void FreeCommandEntry::clear()
{
    text1.set({});
}
