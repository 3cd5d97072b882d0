#include "commandbuttons.h"

#include "commandcatalogue.h"
#include "linkcore.h"
#include "panelstate.h"
#include "serialport.h"
#include "timer.h"

#include <utility>

CommandButtons::CommandButtons(PanelState &state, LinkCore &link, SerialPort &port, Timer &timer1,
                               Timer &timer2, Timer &timer4, std::function<void()> endProgram)
    : m_state(state), m_link(link), m_port(port), m_timer1(timer1), m_timer2(timer2),
      m_timer4(timer4), m_endProgram(std::move(endProgram))
{
}

void CommandButtons::click(std::string_view controlName)
{
    const CatalogueCommand *command = findCatalogueCommand(controlName);
    if (!command)
        return;
    if (command->after == AfterSend::EndProgram) {
        end();
        return;
    }
    if (command->wait) {
        m_timer2.setInterval(command->wait->replyWait);
        m_timer4.setInterval(command->wait->displayClear);
    }
    m_link.transmit(command->code);
    if (command->after == AfterSend::MenuArrows) {
        m_timer1.setInterval(kMenuArrowRepeat);
        m_state.arrowStepMode = kMenuArrowStepMode;
    }
}

void CommandButtons::end()
{
    // The program ends whether or not the close succeeds; a failed close is still reported.
    try {
        m_port.close();
    } catch (...) {
        m_endProgram();
        throw;
    }
    m_endProgram();
}
