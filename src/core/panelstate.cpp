#include "panelstate.h"

std::string frameCommand(const PanelState &state, std::string_view code)
{
    std::string framed;
    framed.reserve(state.commandPrefix.size() + code.size() + 1);
    framed += state.commandPrefix;
    framed += code;
    framed += kCarriageReturn;
    return framed;
}
