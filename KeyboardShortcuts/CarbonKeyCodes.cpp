#include "CarbonKeyCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace KeyboardShortcuts {
namespace {

struct Pair
{
    int carbon;
    int evdev;
};

// Sorted by Carbon code. Evdev names from linux/input-event-codes.h in comments.
constexpr std::array<Pair, 118> table{{
    {0, 30},   {1, 31},   {2, 32},   {3, 33},   {4, 35},   {5, 34},   {6, 44},   {7, 45},   // A S D F H G Z X
    {8, 46},   {9, 47},   {10, 86},  {11, 48},  {12, 16},  {13, 17},  {14, 18},  {15, 19},  // C V 102ND B Q W E R
    {16, 21},  {17, 20},  {18, 2},   {19, 3},   {20, 4},   {21, 5},   {22, 7},   {23, 6},   // Y T 1 2 3 4 6 5
    {24, 13},  {25, 10},  {26, 8},   {27, 12},  {28, 9},   {29, 11},  {30, 27},  {31, 24},  // = 9 7 - 8 0 ] O
    {32, 22},  {33, 26},  {34, 23},  {35, 25},  {36, 28},  {37, 38},  {38, 36},  {39, 40},  // U [ I P ENTER L J '
    {40, 37},  {41, 39},  {42, 43},  {43, 51},  {44, 53},  {45, 49},  {46, 50},  {47, 52},  // K ; \ , / N M .
    {48, 15},  {49, 57},  {50, 41},  {51, 14},  {53, 1},                                    // TAB SPACE GRAVE BACKSPACE ESC
    {54, 126}, {55, 125}, {56, 42},  {57, 58},  {58, 56},  {59, 29},  {60, 54},  {61, 100}, // RMETA LMETA LSHIFT CAPS LALT LCTRL RSHIFT RALT
    {62, 97},  {63, 464},                                                                  // RCTRL FN
    {64, 187}, {65, 83},  {67, 55},  {69, 78},  {71, 69},  {72, 115}, {73, 114}, {74, 113}, // F17 KPDOT KPASTERISK KPPLUS NUMLOCK VOLUP VOLDOWN MUTE
    {75, 98},  {76, 96},  {78, 74},  {79, 188}, {80, 189}, {81, 117}, {82, 82},  {83, 79},  // KPSLASH KPENTER KPMINUS F18 F19 KPEQUAL KP0 KP1
    {84, 80},  {85, 81},  {86, 75},  {87, 76},  {88, 77},  {89, 71},  {90, 190}, {91, 72},  // KP2 KP3 KP4 KP5 KP6 KP7 F20 KP8
    {92, 73},  {93, 124}, {94, 89},  {95, 121},                                             // KP9 YEN RO KPCOMMA
    {96, 63},  {97, 64},  {98, 65},  {99, 61},  {100, 66}, {101, 67}, {103, 87}, {105, 183},// F5 F6 F7 F3 F8 F9 F11 F13
    {106, 186},{107, 184},{109, 68}, {110, 127},{111, 88}, {113, 185},{114, 110},{115, 102},// F16 F14 F10 COMPOSE F12 F15 INSERT HOME
    {116, 104},{117, 111},{118, 62}, {119, 107},{120, 60}, {121, 109},{122, 59}, {123, 105},// PGUP DELETE F4 END F2 PGDN F1 LEFT
    {124, 106},{125, 108},{126, 103},                                                       // RIGHT DOWN UP
}};

constexpr std::array<int, table.size()> carbonCodes = [] {
    std::array<int, table.size()> codes{};
    for (size_t i = 0; i < table.size(); ++i)
        codes[i] = table[i].carbon;
    return codes;
}();

} // namespace

std::optional<int> evdevCodeForCarbonKeyCode(int carbonKeyCode)
{
    const auto it = std::lower_bound(table.begin(), table.end(), carbonKeyCode,
                                     [](const Pair &pair, int code) { return pair.carbon < code; });
    if (it == table.end() || it->carbon != carbonKeyCode)
        return std::nullopt;
    return it->evdev;
}

std::optional<int> carbonKeyCodeForEvdevCode(int evdevCode)
{
    const auto it = std::find_if(table.begin(), table.end(), [evdevCode](const Pair &pair) { return pair.evdev == evdevCode; });
    if (it == table.end())
        return std::nullopt;
    return it->carbon;
}

std::span<const int> mappedCarbonKeyCodes()
{
    return carbonCodes;
}

} // namespace KeyboardShortcuts
