#pragma once

#include <optional>
#include <span>
#include <string_view>

// How long an exchange runs: the reply wait (Timer2) and the display clear (Timer4) that a
// button sets before sending. A button without one runs with whatever was set last.
struct WaitProfile {
    int replyWait;    // Timer2, ms
    int displayClear; // Timer4, ms
};

inline constexpr WaitProfile kTwoSecondWait{2000, 2500};  // picture modes, SEND
inline constexpr WaitProfile kFiveSecondWait{5000, 5500}; // input sources

// What a button does once its command is out.
enum class AfterSend {
    Nothing,
    MenuArrows, // the arrows then repeat every 200 ms with the menu's display intervals
    EndProgram, // END: sends nothing, closes the port and ends the program
};

// One button that acts once per click.
struct CatalogueCommand {
    std::string_view controlName;
    std::string_view code; // empty for END
    std::optional<WaitProfile> wait;
    AfterSend after;
};

// Every one-shot button of the panel, grouped as on the panel.
std::span<const CatalogueCommand> commandCatalogue();

// The row of a control, or nullptr for a control that is not in the catalogue.
const CatalogueCommand *findCatalogueCommand(std::string_view controlName);
