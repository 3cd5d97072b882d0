#include "commandnames.h"

#include "commandcatalogue.h"
#include "panellayout.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace
{

using PanelLayout::Control;

const Control &layoutControl(std::string_view name)
{
    return *std::ranges::find(PanelLayout::controls(), name, &Control::name);
}

// Lower case, every run of other characters one hyphen: "B.Board" gives "b-board".
std::string hyphenated(std::string_view words)
{
    std::string name;
    bool gap = false;
    for (const char c : words) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            gap = !name.empty();
            continue;
        }
        if (gap)
            name += '-';
        gap = false;
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

std::vector<CommandName> makeNames()
{
    std::vector<CommandName> names;
    for (const CatalogueCommand &command : commandCatalogue()) {
        if (command.code.empty())
            continue; // END sends nothing
        const Control &button = layoutControl(command.controlName);
        const Control *title = PanelLayout::groupTitle(button); // as a screen reader names it
        const std::string words = (title ? std::string(title->caption) + ' ' : std::string()) +
                                  std::string(button.caption);
        names.push_back({hyphenated(words), command.controlName, command.code});
    }
    return names;
}

} // namespace

std::span<const CommandName> commandNames()
{
    static const std::vector<CommandName> names = makeNames();
    return names;
}

const CommandName *findCommandName(std::string_view name)
{
    const auto names = commandNames();
    const auto it = std::ranges::find(names, name, &CommandName::name);
    return it == names.end() ? nullptr : &*it;
}
