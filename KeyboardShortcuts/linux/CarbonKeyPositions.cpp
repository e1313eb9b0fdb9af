#include "CarbonKeyPositions.h"

#include <utility>

#include <xcb/xproto.h>

namespace KeyboardShortcuts::X11 {
namespace {

// Carbon modifier bits.
constexpr int carbonCommand = 0x100;
constexpr int carbonShift = 0x200;
constexpr int carbonOption = 0x800;
constexpr int carbonControl = 0x1000;
constexpr int carbonFunction = 0x20000;

constexpr int evdevToX = 8;

// {Carbon key code, evdev code}, one row per key position.
constexpr std::pair<int, int> positions[] = {
    // letters
    {0x00, 30},  {0x01, 31},  {0x02, 32},  {0x03, 33},  {0x04, 35},  {0x05, 34},  // A S D F H G
    {0x06, 44},  {0x07, 45},  {0x08, 46},  {0x09, 47},  {0x0B, 48},               // Z X C V B
    {0x0C, 16},  {0x0D, 17},  {0x0E, 18},  {0x0F, 19},  {0x10, 21},  {0x11, 20},  // Q W E R Y T
    {0x1F, 24},  {0x20, 22},  {0x22, 23},  {0x23, 25},                            // O U I P
    {0x25, 38},  {0x26, 36},  {0x28, 37},                                         // L J K
    {0x2D, 49},  {0x2E, 50},                                                      // N M
    // top-row digits
    {0x12, 2},   {0x13, 3},   {0x14, 4},   {0x15, 5},   {0x17, 6},                // 1 2 3 4 5
    {0x16, 7},   {0x1A, 8},   {0x1C, 9},   {0x19, 10},  {0x1D, 11},               // 6 7 8 9 0
    // punctuation
    {0x18, 13},  {0x1B, 12},  {0x1E, 27},  {0x21, 26},                            // = - ] [
    {0x27, 40},  {0x29, 39},  {0x2A, 43},  {0x2B, 51},                            // ' ; \ ,
    {0x2C, 53},  {0x2F, 52},  {0x32, 41},  {0x0A, 86},                            // / . ` ISO §
    // editing and navigation
    {0x24, 28},  {0x30, 15},  {0x31, 57},  {0x33, 14},  {0x35, 1},                // Return Tab Space Delete Escape
    {0x72, 110}, {0x73, 102}, {0x74, 104}, {0x75, 111},                           // Help(Insert) Home PageUp ForwardDelete
    {0x77, 107}, {0x79, 109},                                                     // End PageDown
    {0x7B, 105}, {0x7C, 106}, {0x7D, 108}, {0x7E, 103},                           // Left Right Down Up
    // function keys F1 ... F20
    {0x7A, 59},  {0x78, 60},  {0x63, 61},  {0x76, 62},  {0x60, 63},
    {0x61, 64},  {0x62, 65},  {0x64, 66},  {0x65, 67},  {0x6D, 68},
    {0x67, 87},  {0x6F, 88},  {0x69, 183}, {0x6B, 184}, {0x71, 185},
    {0x6A, 186}, {0x40, 187}, {0x4F, 188}, {0x50, 189}, {0x5A, 190},
    // keypad 0 ... 9
    {0x52, 82},  {0x53, 79},  {0x54, 80},  {0x55, 81},  {0x56, 75},
    {0x57, 76},  {0x58, 77},  {0x59, 71},  {0x5B, 72},  {0x5C, 73},
    // keypad Clear (the Num Lock position) . * + / Enter - =
    {0x47, 69},  {0x41, 83},  {0x43, 55},  {0x45, 78},  {0x4B, 98},
    {0x4C, 96},  {0x4E, 74},  {0x51, 117},
    // modifier keys: Command, right Command, Shift, Caps Lock, Option, Control,
    // right Shift, right Option, right Control
    {0x37, 125}, {0x36, 126}, {0x38, 42},  {0x39, 58},  {0x3A, 56},
    {0x3B, 29},  {0x3C, 54},  {0x3D, 100}, {0x3E, 97},
    // volume up, volume down, mute
    {0x48, 115}, {0x49, 114}, {0x4A, 113},
    // JIS yen, underscore, keypad comma
    {0x5D, 124}, {0x5E, 89},  {0x5F, 95},
};

} // namespace

std::optional<std::uint8_t> xKeyCodeForCarbonKeyCode(int carbonKeyCode)
{
    for (const auto &[carbon, evdev] : positions) {
        if (carbon == carbonKeyCode)
            return static_cast<std::uint8_t>(evdev + evdevToX);
    }
    return std::nullopt;
}

std::optional<int> carbonKeyCodeForXKeyCode(std::uint8_t xKeyCode)
{
    for (const auto &[carbon, evdev] : positions) {
        if (evdev + evdevToX == xKeyCode)
            return carbon;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> xModifierMaskForCarbonModifiers(int carbonModifiers)
{
    if (carbonModifiers & carbonFunction)
        return std::nullopt;
    std::uint16_t mask = 0;
    if (carbonModifiers & carbonControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & carbonOption)
        mask |= XCB_MOD_MASK_1;
    if (carbonModifiers & carbonShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (carbonModifiers & carbonCommand)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

int carbonModifiersForXModifierMask(std::uint16_t xMask)
{
    int carbon = 0;
    if (xMask & XCB_MOD_MASK_CONTROL)
        carbon |= carbonControl;
    if (xMask & XCB_MOD_MASK_1)
        carbon |= carbonOption;
    if (xMask & XCB_MOD_MASK_SHIFT)
        carbon |= carbonShift;
    if (xMask & XCB_MOD_MASK_4)
        carbon |= carbonCommand;
    return carbon;
}

} // namespace KeyboardShortcuts::X11
