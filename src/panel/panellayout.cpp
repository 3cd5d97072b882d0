#include "panellayout.h"

#include <array>

namespace PanelLayout
{
namespace
{

using enum Kind;
constexpr std::optional<std::uint32_t> kDefault;
constexpr std::uint32_t kGrey = 0xC0C0C0;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGreen = 0xC0FFC0;
constexpr std::uint32_t kPink = 0xFFC0C0;
constexpr std::uint32_t kCyan = 0xC0FFFF;
constexpr std::uint32_t kLilac = 0xC0C0FF;
constexpr std::uint32_t kApricot = 0xFFC080;
constexpr std::uint32_t kPeach = 0xFFE0C0;
constexpr std::optional<Font> kFormFont;
constexpr Font kGothic9{kGothic, 9, false};
constexpr Font kGothic975{kGothic, 9.75, false};
constexpr Font kGothic975Bold{kGothic, 9.75, true};
constexpr Font kGothic825{kGothic, 8.25, false};
constexpr Font kGothic825Bold{kGothic, 8.25, true};
constexpr Font kPGothic9{kPGothic, 9, false};
constexpr Font kPGothic9Bold{kPGothic, 9, true};
constexpr Font kPGothic975Bold{kPGothic, 9.75, true};
constexpr Align kCentre = Align::Centre;
constexpr Align kRight = Align::Right;
constexpr Align kLeft = Align::Left;

constexpr auto kControls = std::to_array<Control>({
    // POWER, INPUT MODE SET, MENU
    {"Frame1", Frame, "", 120, 240, 1695, 975, "", kGrey},
    {"Label1", Label, "Frame1", 240, 240, 1095, 255, "POWER", kGrey, 0xC00000, kFormFont, kCentre},
    {"Command17", Button, "Frame1", 120, 600, 615, 300, "ON", kGreen, kDefault, kPGothic9Bold},
    {"Command18", Button, "Frame1", 960, 600, 615, 300, "OFF", kPink, kDefault, kPGothic9Bold},
    {"Frame2", Frame, "", 2160, 240, 2775, 975, "", kGrey},
    {"Label2", Label, "Frame2", 480, 240, 1935, 255, "INPUT MODE SET", kGrey, kDefault, kFormFont,
     kCentre},
    {"Command27", Button, "Frame2", 240, 600, 495, 300, "PC1", kCyan, kDefault, kPGothic9Bold},
    {"Command28", Button, "Frame2", 960, 600, 495, 300, "PC2", kCyan, kDefault, kPGothic9Bold},
    {"Command29", Button, "Frame2", 1680, 600, 735, 300, "Video", kCyan, kDefault, kPGothic9Bold},
    {"Frame6", Frame, "", 5280, 240, 1695, 975, "", kGrey},
    {"Label7", Label, "Frame6", 360, 240, 975, 255, "MENU", kGrey, kDefault, kFormFont, kCentre},
    {"Command23", Button, "Frame6", 120, 600, 615, 300, "ON", kGreen, kDefault, kPGothic9Bold},
    {"Command24", Button, "Frame6", 960, 600, 615, 300, "OFF", kPink, kDefault, kPGothic9Bold},

    // SOUND MUTE, NO SHOW, FREEZE, AV Size
    {"Frame3", Frame, "", 120, 1440, 1695, 855, "", kGrey},
    {"Label4", Label, "Frame3", 120, 195, 1455, 300, "SOUND MUTE", kGrey, kDefault, kFormFont,
     kCentre},
    {"Command19", Button, "Frame3", 120, 480, 615, 300, "ON", kGreen, kDefault, kPGothic9Bold},
    {"Command20", Button, "Frame3", 960, 480, 615, 300, "OFF", kPink, kDefault, kPGothic9Bold},
    {"Frame4", Frame, "", 2520, 1440, 1695, 855, "", kGrey},
    {"Label5", Label, "Frame4", 360, 210, 1095, 285, "NO SHOW", kGrey, kDefault, kFormFont,
     kCentre},
    {"Command21", Button, "Frame4", 120, 480, 615, 300, "ON", kGreen, kDefault, kPGothic9Bold},
    {"Command22", Button, "Frame4", 960, 480, 615, 300, "OFF", kPink, kDefault, kPGothic9Bold},
    {"Frame7", Frame, "", 5040, 1440, 1695, 855, "", kGrey},
    {"Label8", Label, "Frame7", 240, 210, 1215, 285, "FREEZE", kGrey, kDefault, kFormFont, kCentre},
    {"Command25", Button, "Frame7", 120, 480, 615, 300, "ON", kGreen, kDefault, kPGothic9Bold},
    {"Command26", Button, "Frame7", 960, 480, 615, 300, "OFF", kPink, kDefault, kPGothic9Bold},
    {"Frame5", Frame, "", 7440, 1440, 1815, 855, "", kGrey},
    {"Label6", Label, "Frame5", 240, 210, 1335, 285, "AV Size", kGrey, kDefault, kFormFont,
     kCentre},
    {"Command31", Button, "Frame5", 120, 480, 855, 300, "Regular", kCyan, kDefault, kPGothic9},
    {"Command32", Button, "Frame5", 1080, 480, 615, 300, "Wide", kCyan, kDefault, kPGothic9},

    // Adjusters, each pair under its title
    {"Label3", Label, "", 3600, 2520, 495, 255, "VOL", kGrey, kDefault, kFormFont, kCentre},
    {"Command1", Button, "", 3600, 2880, 375, 255, "+", kApricot},
    {"Command2", Button, "", 3600, 3240, 375, 255, "-", kApricot},
    {"Label13", Label, "", 4560, 2520, 975, 255, "Brightness", kGrey, kDefault, kGothic9},
    {"Command15", Button, "", 4800, 2880, 375, 255, "+", kCyan, kDefault, kGothic9},
    {"Command35", Button, "", 4800, 3240, 375, 255, "-", kCyan, kDefault, kGothic9},
    {"Label17", Label, "", 6360, 2520, 735, 255, "D.Zoom", kGrey, kDefault, kGothic9},
    {"Command48", Button, "", 6480, 2880, 375, 255, "+", kCyan, kDefault, kPGothic9},
    {"Command49", Button, "", 6480, 3240, 375, 255, "-", kCyan, kDefault, kGothic9},
    {"Label18", Label, "", 7320, 2520, 855, 255, "Keystone", kGrey, kDefault, kGothic9},
    {"Command50", Button, "", 7440, 2880, 375, 255, "+", kCyan, kDefault, kGothic9},
    {"Command51", Button, "", 7440, 3240, 375, 255, "-", kCyan, kDefault, kGothic9},

    // Cursor pad
    {"Command5", Button, "", 1200, 2520, 855, 375, "↑", kPeach, kDefault, kPGothic9Bold},
    {"Command9", Button, "", 240, 3000, 855, 375, "←", kPeach, kDefault, kPGothic9Bold},
    {"Command6", Button, "", 1200, 3000, 855, 375, "SELECT", 0xFF8000, kDefault, kGothic9},
    {"Command8", Button, "", 2160, 3000, 855, 375, "→", kPeach, kDefault, kPGothic9Bold},
    {"Command7", Button, "", 1200, 3480, 855, 375, "↓", kPeach, kDefault, kPGothic9Bold},

    // Picture and right-hand column
    {"Image1", Picture, "", 8160, 120, 1200, 390, ""},
    {"Command13", Button, "", 8400, 2760, 975, 250, "A-IMAGE", 0x00C0C0, kDefault, kGothic9},
    {"Command30", Button, "", 8400, 3120, 975, 255, "IMAGE", kLilac, kDefault, kGothic9},
    {"Command14", Button, "", 8400, 3360, 975, 250, "P-TIMER", kLilac, kDefault, kGothic9},
    {"Command3", Button, "", 8400, 3600, 975, 492, "DISPLAY CLEAR", kLilac, kDefault, kGothic9},
    {"Command16", Button, "", 8400, 4320, 975, 375, "END", kGrey},

    // Picture modes
    {"Command4", Button, "", 240, 4080, 975, 255, "STAND", kCyan, kDefault, kGothic9},
    {"Command10", Button, "", 1200, 4080, 975, 255, "REAL", kCyan, kDefault, kGothic9},
    {"Command11", Button, "", 2160, 4080, 975, 255, "CINEMA", kCyan, kDefault, kGothic9},
    {"Command39", Button, "", 240, 4320, 975, 255, "IMAGE1", kCyan, kDefault, kGothic9},
    {"Command40", Button, "", 1200, 4320, 975, 255, "IMAGE2", kCyan, kDefault, kGothic9},
    {"Command41", Button, "", 2160, 4320, 975, 255, "IMAGE3", kCyan, kDefault, kGothic9},
    {"Command42", Button, "", 240, 4560, 975, 255, "IMAGE4", kCyan, kDefault, kGothic9},
    {"Command12", Button, "", 1200, 4560, 975, 255, "B.Board", kCyan, kDefault, kGothic9},

    // Port selection: the group, when shown, lies over the COM button
    {"Command33", Button, "", 4080, 4200, 1815, 375, "COM", kDefault, kDefault, kPGothic9},
    {"Frame8", Frame, "", 3480, 3600, 2775, 1185, "", kGrey},
    {"Option1", Option, "Frame8", 240, 240, 1215, 255, "COM1", kGrey},
    {"Option2", Option, "Frame8", 1560, 240, 1095, 255, "COM2", kGrey},
    {"Frame13", Frame, "Frame8", 120, 480, 2535, 615, "", kGrey},
    {"Option9", Option, "Frame13", 120, 240, 1095, 255, "19200", kGrey},
    {"Option10", Option, "Frame13", 1440, 240, 975, 300, "9600", kGrey},

    // Monitor, data button and status queries
    {"Frame9", Frame, "", 45, 4920, 6312, 1290, "", kGrey},
    {"Label9", Label, "Frame9", 105, 210, 390, 285, "TXD", kGrey, kDefault, kGothic9, kRight},
    {"Label11", Label, "Frame9", 600, 180, 5610, 300, "", kWhite, kDefault, kPGothic975Bold, kLeft,
     true},
    {"Label10", Label, "Frame9", 75, 555, 450, 300, "RXD", kGrey, kDefault, kGothic9, kRight},
    {"Label12", Label, "Frame9", 600, 540, 5616, 300, "", kWhite, kDefault, kPGothic975Bold, kLeft,
     true},
    {"Label23", Label, "Frame9", 120, 960, 735, 225, "STATUS", kGrey, kDefault, kGothic825},
    {"Label22", Label, "Frame9", 930, 915, 5295, 300, "", kWhite, 0xFF0000, kPGothic9Bold, kLeft,
     true},
    {"Command34", Button, "", 6600, 5040, 1200, 375, "データを表示する", kGrey, kDefault,
     kPGothic9},
    {"Command44", Button, "", 6480, 5640, 975, 255, "STATUS", kCyan, kDefault, kGothic825Bold},
    {"Command46", Button, "", 7440, 5640, 975, 255, "L-TIME", kCyan, kDefault, kGothic825Bold},
    {"Command54", Button, "", 8400, 5640, 975, 252, "TEMP", kCyan, kDefault, kGothic825Bold},
    {"Command45", Button, "", 6480, 5880, 975, 255, "MODE", kCyan, kDefault, kGothic825Bold},
    {"Command47", Button, "", 7440, 5880, 975, 255, "SETTING", kCyan, kDefault, kGothic825Bold},

    // Input sources, C02 and the free command entry
    {"Frame14", Frame, "", 120, 6735, 7215, 1320, "", kGrey},
    {"Label15", Label, "Frame14", 120, 240, 735, 255, "PC1", kGrey},
    {"Command64", Button, "Frame14", 960, 240, 975, 255, "RGB", kCyan, kDefault, kGothic9},
    {"Command65", Button, "Frame14", 1920, 240, 1815, 255, "SCART RGB", kCyan, kDefault, kGothic9},
    {"Command66", Button, "Frame14", 3720, 240, 1815, 255, "Component", kCyan, kDefault, kGothic9},
    {"Label16", Label, "Frame14", 120, 480, 735, 255, "PC2", kGrey},
    {"Command72", Button, "Frame14", 960, 480, 975, 255, "RGB", kCyan, kDefault, kGothic9},
    {"Label24", Label, "Frame14", 120, 720, 855, 255, "Video", kGrey},
    {"Command81", Button, "Frame14", 960, 720, 975, 255, "Auto", kCyan, kDefault, kGothic9},
    {"Command82", Button, "Frame14", 1920, 720, 975, 255, "Video", kCyan, kDefault, kGothic9},
    {"Command69", Button, "Frame14", 2880, 720, 1095, 255, "S-Video", kCyan, kDefault, kGothic9},
    {"Command36", Button, "", 7560, 6840, 615, 255, "C02", kPink},
    {"Frame15", Frame, "", 120, 8040, 7215, 570, "", kGrey},
    {"Label26", Label, "Frame15", 120, 240, 495, 255, "CMD", kGrey, kDefault, kGothic975},
    {"Text1", TextBox, "Frame15", 600, 165, 5055, 345, "", kDefault, kDefault, kGothic975Bold},
    {"Command95", Button, "Frame15", 5760, 240, 735, 255, "SEND", kGreen},
    {"Command96", Button, "Frame15", 6480, 240, 615, 255, "CLS", kPink},
});

// The closed plus-shaped outline around the cursor pad.
constexpr auto kLines = std::to_array<Line>({
    {"Line7", 1080, 2400, 2160, 2400},
    {"Line1", 1080, 2400, 1080, 2880},
    {"Line2", 2160, 2400, 2160, 2880},
    {"Line8", 120, 2880, 1080, 2880},
    {"Line9", 2160, 2880, 3120, 2880},
    {"Line6", 120, 2880, 120, 3480},
    {"Line3", 3120, 2880, 3120, 3480},
    {"Line10", 120, 3480, 1080, 3480},
    {"Line12", 2160, 3480, 3120, 3480},
    {"Line5", 1080, 3480, 1080, 3960},
    {"Line4", 2160, 3480, 2160, 3960},
    {"Line11", 1080, 3960, 2160, 3960},
});

} // namespace

std::span<const Control> controls()
{
    return kControls;
}

std::span<const Line> lines()
{
    return kLines;
}

namespace
{

bool titles(const Control &label, const Control &control)
{
    const bool overColumn = label.top <= control.top && label.left < control.left + control.width &&
                            control.left < label.left + label.width;
    const int middle = label.top + label.height / 2;
    const bool startsRow = label.left + label.width <= control.left && control.top <= middle &&
                           middle < control.top + control.height;
    return overColumn || startsRow;
}

} // namespace

const Control *groupTitle(const Control &control)
{
    // A group is its title label followed in the table by the group's controls, all in the
    // same frame; a control of another frame ends the search.
    const Control *it = &control;
    while (it != kControls.data()) {
        --it;
        if (it->parent != control.parent || it->kind == TextBox)
            return nullptr; // a tag before a text box is the box's
        if (it->kind == Label)
            return titles(*it, control) ? it : nullptr;
    }
    return nullptr;
}

} // namespace PanelLayout
