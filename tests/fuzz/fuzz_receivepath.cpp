// Fuzz target for the receive path: arbitrary bytes, in arbitrary pieces, reach the link core
// between transmissions of a status query and the events of its timers. Beyond the sanitizers'
// reports it checks what no input may break: the receive buffer stays within its limit, and RXD
// shows the whole buffer as one monitor piece per byte.
//
// Input: byte 0 picks the query that was sent (modulo the number of queries). Then come steps,
// each led by one byte c:
//   0x00-0x7F  the next c + 1 bytes arrive as one piece (fewer when the input ends)
//   0x80-0xBF  the clock moves on by v * v milliseconds, v = c & 0x3F
//   0xC0-0xDF  the query is sent again; with bit 0x10 set the port refuses the write
//   0xE0-0xFF  a flood: the next byte arrives ((c & 0x1F) + 1) * 2048 times in one piece

#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "replydecoding.h"
#include "virtualclock.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken: %s\n", what);
    std::abort();
}

// How many monitor pieces `rendered` is made of after its leading space, or -1 when some part
// of it is no piece: "ACK ", "CR ", "LF ", "&", or a character and a space.
long pieceCount(std::string_view rendered)
{
    if (rendered.empty() || rendered[0] != ' ')
        return -1;
    long count = 0;
    for (rendered.remove_prefix(1); !rendered.empty(); ++count) {
        std::size_t length = 2;
        if (rendered.starts_with("ACK "))
            length = 4;
        else if (rendered.starts_with("CR ") || rendered.starts_with("LF "))
            length = 3;
        else if (rendered[0] == '&')
            length = 1;
        else if (rendered.size() < 2 || rendered[1] != ' ')
            return -1;
        rendered.remove_prefix(length);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string_view query = statusQueries()[data[0] % statusQueries().size()].code;
    VirtualClock clock;
    const auto timer2 = clock.createTimer(), timer3 = clock.createTimer(), timer4 = clock.createTimer();
    PanelState state;
    PanelDisplay display;
    FakeSerialPort port;
    LinkCore core(state, display, port, *timer2, *timer3, *timer4);
    port.setOnComm([&core] { core.onComm(); });
    port.open();
    for (std::size_t at = 1; at < input.size();) {
        const unsigned char step = data[at++];
        if (step < 0x80) {
            const std::string_view piece = input.substr(at, step + 1u);
            at += piece.size();
            port.receive(std::string(piece));
        } else if (step < 0xC0) {
            clock.advance((step & 0x3F) * (step & 0x3F));
        } else if (step < 0xE0) {
            port.failWrites = (step & 0x10) != 0;
            try {
                core.transmit(query);
            } catch (const PortError &) {
                require(port.failWrites, "a transmit fails only when the port refuses");
            }
            port.failWrites = false;
        } else if (at < input.size()) {
            port.receive(std::string(((step & 0x1Fu) + 1) * 2048, input[at++]));
        }
        require(state.receiveBuffer.size() <= LinkCore::kReceiveBufferLimit, "the buffer's limit");
        const std::string &rxd = display.label12.get();
        require(rxd.empty() || rxd == " X X X X" ||
                    pieceCount(rxd) == static_cast<long>(state.receiveBuffer.size()) ||
                    state.receiveBuffer.empty(),
                "RXD shows the buffer, one piece per byte");
    }
    return 0;
}
