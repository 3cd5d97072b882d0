#include "commandnames.h"

#include "commandcatalogue.h"
#include "panellayout.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace
{

using PanelLayout::Control;

const Control &layoutControl(std::string_view name)
{
    return *std::ranges::find(PanelLayout::controls(), name, &Control::name);
}

// The label that names a button's group: the title of its row in a frame with rows, else the
// frame's only label. Buttons outside a frame have none.
std::string_view groupTitle(const Control &button)
{
    std::vector<const Control *> labels;
    for (const Control &control : PanelLayout::controls()) {
        if (control.kind == PanelLayout::Kind::Label && !button.parent.empty() &&
            control.parent == button.parent)
            labels.push_back(&control);
    }
    for (const Control *label : labels) {
        if (label->top == button.top)
            return label->caption;
    }
    return labels.size() == 1 ? labels.front()->caption : std::string_view();
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
        const std::string words =
            std::string(groupTitle(button)) + ' ' + std::string(button.caption);
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
