#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The window Form1 as designed: every control with its place, size, caption, colours and
// font, in twips (15 to the pixel). The window is built from this table and never
// rearranged. Captions and font names are UTF-8.
namespace PanelLayout
{

enum class Kind { Frame, Label, Button, Option, TextBox, Picture };
enum class Align { Left, Centre, Right };

struct Font {
    std::string_view family;
    double points;
    bool bold;
};

inline constexpr std::string_view kGothic = "ＭＳ ゴシック";    // fixed pitch
inline constexpr std::string_view kPGothic = "ＭＳ Ｐゴシック"; // proportional

struct Control {
    std::string_view name;
    Kind kind;
    std::string_view parent; // a frame's name; empty for the window itself
    int left, top, width, height;
    std::string_view caption = {};
    std::optional<std::uint32_t> background = {}; // #RRGGBB; none: the platform's default
    std::optional<std::uint32_t> foreground = {}; // none: the platform's text colour
    std::optional<Font> font = {};                // none: the window's font
    Align align = Align::Left;
    bool border = false; // a single-line border around a label
};

// A straight line drawn on the window itself, from (x1, y1) to (x2, y2).
struct Line {
    std::string_view name;
    int x1, y1, x2, y2;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr std::string_view kCaption = "ORVA   PD71 / PD43  CONTROL   Ver.1.40";
inline constexpr int kClientWidth = 9495;
inline constexpr int kDesignClientHeight = 8730;
// The window heights the program sets count the title bar and borders: this much of each is
// not client area, whatever the window manager draws.
inline constexpr int kFrameAllowance = 435;
inline constexpr int kDesignHeight = kDesignClientHeight + kFrameAllowance;
inline constexpr std::uint32_t kBackground = 0xC0C0C0;
inline constexpr Font kFont{kGothic, 9, true};
inline constexpr std::uint32_t kLineColour = 0x8080FF;
inline constexpr int kLinePixels = 2;

// In creation order: a frame comes before its contents, and a control drawn over another
// comes after it. Command17 is the first control that takes the keyboard focus.
std::span<const Control> controls();
std::span<const Line> lines();

// The label that says what a control belongs to: the title over its column, or the tag at the
// start of its row, among the labels of its own frame; null for a control that stands alone.
// `control` is a row of controls().
const Control *groupTitle(const Control &control);

} // namespace PanelLayout
