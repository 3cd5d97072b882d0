// Fuzz target for the receive path. Beyond the sanitizers' reports: the receive buffer stays
// within its limit, and RXD shows the whole buffer, one monitor piece per byte.
// Input: byte 0 picks the query that was sent. Then come steps, each led by one byte c:
//   0x00-0x7F  the next c + 1 bytes arrive as one piece (fewer when the input ends)
//   0x80-0xBF  the clock moves on by v * v milliseconds, v = c & 0x3F
//   0xC0-0xDF  the query is sent again; with bit 0x10 set the port refuses the write
//   0xE0-0xFF  a flood: the next byte arrives ((c & 0x1F) + 1) * 2048 times in one piece

#include "fakeserialport.h"
#include "linkcore.h"
#include "monitorrendering.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "replydecoding.h"
#include "virtualclock.h"

#include <cstdlib>
#include <string_view>

// The length of the rendering of `bytes`: a leading space and one piece per byte, "ACK ",
// "CR ", "LF ", "&" for DC4, and a character and a space for every other byte.
static std::size_t renderedLength(std::string_view bytes)
{
    std::size_t length = 1;
    for (const char c : bytes)
        length += c == '\x06' ? 4 : (c == '\r' || c == '\n') ? 3 : c == '\x14' ? 1 : 2;
    return length;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    VirtualClock clock;
    const auto timer2 = clock.createTimer(), timer3 = clock.createTimer();
    const auto timer4 = clock.createTimer();
    PanelState state;
    PanelDisplay display;
    FakeSerialPort port;
    LinkCore core(state, display, port, *timer2, *timer3, *timer4);
    timer2->setInterval(500);
    timer4->setInterval(1000);
    port.setOnComm([&core] { core.onComm(); });
    port.open();
    for (std::size_t at = 1; at < input.size();) {
        const unsigned char step = data[at++];
        if (step < 0x80) {
            port.receive(std::string(input.substr(at, step + 1u)));
            at += step + 1u;
        } else if (step < 0xC0) {
            clock.advance((step & 0x3F) * (step & 0x3F));
        } else if (step < 0xE0) {
            port.failWrites = (step & 0x10) != 0;
            try {
                core.transmit(statusQueries()[data[0] % statusQueries().size()].code);
            } catch (const PortError &) {
            }
            port.failWrites = false;
        } else if (at < input.size()) {
            port.receive(std::string(((step & 0x1Fu) + 1) * 2048, input[at++]));
        }
        // RXD shows the whole buffer, unless a timer has cleared it or marked a missing reply.
        const std::string &rxd = display.label12.get();
        const std::string &buffer = state.receiveBuffer;
        if (buffer.size() > LinkCore::kReceiveBufferLimit ||
            (!buffer.empty() && !rxd.empty() &&
             (rxd != renderForMonitor(buffer) || rxd.size() != renderedLength(buffer))))
            std::abort();
    }
    return 0;
}
