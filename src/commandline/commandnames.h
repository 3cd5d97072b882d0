#pragma once

#include <span>
#include <string>
#include <string_view>

// A one-shot button by a name a script can type: its group's title and its caption on the
// panel, in lower case with hyphens ("power-off", "sound-mute-on", "pc1-rgb", "status").
struct CommandName {
    std::string name;
    std::string_view controlName;
    std::string_view code;
};

// Every button of the command catalogue that sends a code, in the catalogue's order. Made from
// the catalogue and the layout, so a caption changed on the panel changes its name here.
std::span<const CommandName> commandNames();

// The button of `name`, or nullptr when `name` is not one.
const CommandName *findCommandName(std::string_view name);
