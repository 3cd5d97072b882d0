#include "commandcatalogue.h"

#include <algorithm>
#include <array>

namespace
{

using enum AfterSend;
constexpr std::optional<WaitProfile> kTwo = kTwoSecondWait;
constexpr std::optional<WaitProfile> kFive = kFiveSecondWait;
constexpr std::optional<WaitProfile> kNone;

constexpr std::array<CatalogueCommand, 41> kCatalogue{{
    {"Command17", "C00", kNone, Nothing},    // POWER ON
    {"Command18", "C01", kNone, Nothing},    // POWER OFF
    {"Command27", "C05", kNone, Nothing},    // INPUT MODE SET PC1
    {"Command28", "C06", kNone, Nothing},    // INPUT MODE SET PC2
    {"Command29", "C07", kNone, Nothing},    // INPUT MODE SET Video
    {"Command19", "C0B", kNone, Nothing},    // SOUND MUTE ON
    {"Command20", "C0C", kNone, Nothing},    // SOUND MUTE OFF
    {"Command21", "C0D", kNone, Nothing},    // NO SHOW ON
    {"Command22", "C0E", kNone, Nothing},    // NO SHOW OFF
    {"Command31", "C0F", kNone, Nothing},    // AV Size Regular
    {"Command32", "C10", kNone, Nothing},    // AV Size Wide
    {"Command23", "C1C", kNone, MenuArrows}, // MENU ON
    {"Command24", "C1D", kNone, Nothing},    // MENU OFF
    {"Command25", "C43", kNone, Nothing},    // FREEZE ON
    {"Command26", "C44", kNone, Nothing},    // FREEZE OFF
    {"Command4", "C11", kTwo, Nothing},      // STAND
    {"Command10", "C12", kTwo, Nothing},     // REAL
    {"Command11", "C13", kTwo, Nothing},     // CINEMA
    {"Command39", "C14", kTwo, Nothing},     // IMAGE1
    {"Command40", "C15", kTwo, Nothing},     // IMAGE2
    {"Command41", "C16", kTwo, Nothing},     // IMAGE3
    {"Command42", "C17", kTwo, Nothing},     // IMAGE4
    {"Command12", "C18", kTwo, Nothing},     // B.Board
    {"Command13", "C89", kNone, MenuArrows}, // A-IMAGE
    {"Command30", "C27", kNone, Nothing},    // IMAGE
    {"Command14", "C8A", kNone, Nothing},    // P-TIMER
    {"Command3", "C1E", kNone, Nothing},     // DISPLAY CLEAR
    {"Command16", "", kNone, EndProgram},    // END
    {"Command44", "CR0", kNone, Nothing},    // STATUS
    {"Command45", "CR1", kNone, Nothing},    // MODE
    {"Command46", "CR3", kNone, Nothing},    // L-TIME
    {"Command47", "CR4", kNone, Nothing},    // SETTING
    {"Command54", "CR6", kNone, Nothing},    // TEMP
    {"Command64", "C50", kFive, Nothing},    // PC1 RGB
    {"Command65", "C51", kFive, Nothing},    // PC1 SCART RGB
    {"Command66", "C54", kFive, Nothing},    // PC1 Component
    {"Command72", "C25", kFive, Nothing},    // PC2 RGB
    {"Command81", "C32", kFive, Nothing},    // Video Auto
    {"Command82", "C33", kFive, Nothing},    // Video Video
    {"Command69", "C34", kFive, Nothing},    // Video S-Video
    {"Command36", "C02", kNone, Nothing},    // C02
}};

} // namespace

std::span<const CatalogueCommand> commandCatalogue()
{
    return kCatalogue;
}

const CatalogueCommand *findCatalogueCommand(std::string_view controlName)
{
    const auto it = std::ranges::find(kCatalogue, controlName, &CatalogueCommand::controlName);
    return it == kCatalogue.end() ? nullptr : &*it;
}
