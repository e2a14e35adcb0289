#pragma once

// Tables both window realisations are checked against: the design of Form1
// and what each key shows and announces. Toolkit-free.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rechner::testing {

struct Expected {
    const char* name;
    char kind;   // 'T' text field, 'K' key, 'L' label
    const char* caption;
    int left, top, width, height;   // twips
    const char* family;             // "" for the window's default font
    double points;
    bool bold;
};

// In tab order.
inline const std::vector<Expected> kDesign = {
    {"txt_Text1", 'T', "", 480, 360, 4455, 495, "Arial", 12, false},
    {"txt_Text2", 'T', "", 480, 1380, 4455, 495, "Arial", 12, false},
    {"txt_Text3", 'T', "", 480, 2400, 4455, 495, "Arial", 12, true},
    {"cm_Command8", 'K', "8", 1680, 3480, 735, 375, "Arial", 9.75, true},
    {"cm_Command9", 'K', "9", 2820, 3480, 735, 375, "Arial", 9.75, true},
    {"cm_Command18", 'K', "löschen", 6960, 3480, 855, 375, "Arial", 8.25, true},
    {"cm_Command7", 'K', "7", 600, 3480, 735, 375, "Arial", 9.75, true},
    {"cm_Command4", 'K', "4", 600, 4005, 735, 375, "Arial", 9.75, true},
    {"cm_Command5", 'K', "5", 1680, 4005, 735, 375, "Arial", 9.75, true},
    {"cm_Command6", 'K', "6", 2820, 4005, 735, 375, "Arial", 9.75, true},
    {"cm_Command15", 'K', "x", 3870, 4005, 735, 375, "Arial", 12, true},
    {"cm_Command1", 'K', "1", 600, 4515, 735, 375, "Arial", 9.75, true},
    {"cm_Command2", 'K', "2", 1680, 4515, 735, 375, "Arial", 9.75, true},
    {"cm_Command3", 'K', "3", 2820, 4515, 735, 375, "Arial", 9.75, true},
    {"cm_Command16", 'K', "-", 3870, 4515, 735, 375, "Arial", 12, true},
    {"cm_Command11", 'K', "0", 600, 5040, 735, 375, "Arial", 9.75, true},
    {"cm_Command12", 'K', ".", 1680, 5040, 735, 375, "Arial", 14.25, true},
    {"cm_Command13", 'K', "=", 2820, 5040, 735, 375, "Arial", 12, true},
    {"cm_Command17", 'K', "+", 3870, 5040, 735, 375, "Arial", 12, true},
    {"Label1", 'L', "Variable 1", 5040, 480, 1695, 375, "", 0, false},
    {"Label2", 'L', "Variable 2", 5040, 1560, 1695, 375, "", 0, false},
    {"Label3", 'L', "Resultat", 5040, 2520, 1695, 375, "", 0, false},
    {"Label4", 'L', "   =", 4920, 1920, 615, 375, "MS Sans Serif", 13.5, false},
    {"txt_Text5", 'T', "", 4440, 960, 495, 315, "Arial", 12, true},
    {"cm_Command20", 'K', "Exit", 6960, 5760, 855, 375, "Arial", 8.25, true},
    {"cm_Command110", 'K', "Pi", 4920, 4005, 735, 375, "Arial", 9.75, true},
    {"cm_Command14", 'K', "/", 3870, 3480, 735, 375, "Arial", 12, true},
    {"cm_Command100", 'K', "(x)2", 4920, 3480, 735, 375, "Arial", 9.75, true},
    {"cm_Command120", 'K', "R > M", 4920, 4515, 735, 375, "Arial", 9.75, true},
    {"cm_Command130", 'K', "R < M", 4920, 5040, 735, 375, "Arial", 9.75, true},
    {"cm_Command200", 'K', " Schritt   zurück", 6960, 4005, 855, 1140, "Arial", 8.25, true},
    {"cm_Command600", 'K', "Umrechnung in Binär", 600, 5760, 2295, 375, "", 0, false},
    {"cm_Command610", 'K', "Umrechnung in Dezimal", 600, 6480, 2295, 375, "", 0, false},
    {"cm_Command700", 'K', "sqrt", 6000, 3480, 735, 375, "Arial", 9.75, true},
    {"cm_Command710", 'K', "sin", 6000, 4005, 735, 375, "Arial", 9.75, true},
    {"cm_Command720", 'K', "cos", 6000, 4515, 735, 375, "Arial", 9.75, true},
    {"cm_Command730", 'K', "tan", 6000, 5040, 735, 375, "Arial", 9.75, true},
    {"Label5", 'L', nullptr, 1560, 7200, 5295, 255, "", 0, false},
};

// A control where a window put it, in pixels of its client area.
struct Placed {
    std::string name;
    int left, top, right, bottom;
};

// What is wrong with where the controls stand: any outside the client area,
// any two over each other, beyond the pixel row Label2 and Label4 share by
// design (as many rows as the layout is times 96 dpi, rounded up).
inline std::vector<std::string> misplaced(const std::vector<Placed>& controls, int width, int height, int dpi)
{
    std::vector<std::string> wrong;
    const auto text = [](const Placed& c) {
        return c.name + " (" + std::to_string(c.left) + "," + std::to_string(c.top) + "-" + std::to_string(c.right) +
               "," + std::to_string(c.bottom) + ")";
    };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Placed& a = controls[i];
        if (a.left < 0 || a.top < 0 || a.right > width || a.bottom > height) {
            wrong.push_back(text(a) + " outside " + std::to_string(width) + "x" + std::to_string(height));
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const Placed& b = controls[j];
            const int across = std::min(a.right, b.right) - std::max(a.left, b.left);
            const int down = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
            const bool shared = (a.name == "Label2" && b.name == "Label4") || (a.name == "Label4" && b.name == "Label2");
            if (across > 0 && down > 0 && !(shared && down <= (dpi + 95) / 96)) {
                wrong.push_back(text(a) + " over " + text(b));
            }
        }
    }
    return wrong;
}

// WCAG's contrast ratio of two colours, each 0xRRGGBB.
inline double contrastRatio(std::uint32_t a, std::uint32_t b)
{
    const auto luminance = [](std::uint32_t rgb) {
        const auto channel = [](std::uint32_t value) {
            const double v = value / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(rgb >> 16 & 0xff) + 0.7152 * channel(rgb >> 8 & 0xff) + 0.0722 * channel(rgb & 0xff);
    };
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// A control's face, the commonest colour in its area, and how far its text
// stands out: the contrast of its inkiest colour against that face.
struct Ink {
    std::uint32_t face;
    double contrast;
};
struct Area {
    int left, top, right, bottom;
};
template <class Pixel>   // pixel(x, y): the colour there, 0xRRGGBB
Ink inkOn(Area area, Pixel pixel)
{
    std::map<std::uint32_t, int> counts;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) ++counts[pixel(x, y)];
    Ink ink{std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first,
            1.0};
    for (const auto& [colour, count] : counts) ink.contrast = std::max(ink.contrast, contrastRatio(colour, ink.face));
    return ink;
}

using Shown = std::array<std::string, 4>;   // txt_Text1, txt_Text2, txt_Text3, txt_Text5

struct KeyRow {
    std::string key;
    std::vector<std::string> before;
    Shown shown;   // after one click; a second run would show something else where it matters
};

inline const std::vector<KeyRow> kEveryKey = {
    {"0", {"1"}, {"10", "", "", ""}},
    {"1", {}, {"1", "", "", ""}},
    {"2", {}, {"2", "", "", ""}},
    {"3", {}, {"3", "", "", ""}},
    {"4", {}, {"4", "", "", ""}},
    {"5", {}, {"5", "", "", ""}},
    {"6", {}, {"6", "", "", ""}},
    {"7", {}, {"7", "", "", ""}},
    {"8", {}, {"8", "", "", ""}},
    {"9", {"+"}, {"", "9", "", "  +"}},
    {".", {"1"}, {"1.", "", "", ""}},
    {"Pi", {"+"}, {"", "3.14159265358979", "", "  +"}},
    {"/", {"8"}, {"8", "", "", "  /"}},
    {"x", {"8"}, {"8", "", "", "  x"}},
    {"+", {"8"}, {"8", "", "", "  +"}},
    {"-", {}, {"-", "", "", ""}},
    {"=", {"8", "+", "2"}, {"8", "2", "10", "  +"}},
    {"löschen", {"8", "+", "2", "="}, {"", "", "", ""}},
    {"(x)2", {"3"}, {"3", "", "9", ""}},
    {"sqrt", {"9"}, {"9", "", "3", ""}},
    {"sin", {"3", "0"}, {"30", "", "0.5", ""}},
    {"cos", {"6", "0"}, {"60", "", "0.5", ""}},
    {"tan", {"4", "5"}, {"45", "", "1", ""}},
    {"R > M", {"6"}, {"6", "", "", ""}},
    {"R < M", {}, {"0", "", "", ""}},
    {" Schritt   zurück", {"1", "2", "+", "3"}, {"12", "", "", "  +"}},
    {"Umrechnung in Binär", {"5"}, {"5", "", "00000101", ""}},
    {"Umrechnung in Dezimal", {"1", "0", "0", "0", "0", "0", "0", "1"}, {"10000001", "", "129", ""}},
};

struct AnnouncedRow {
    std::vector<std::string> steps;   // a key caption, or "@N:text" typed into field N
    std::string heard;                // each announcement, joined by " | "
};

// The first row and the last, an error, are also checked on each toolkit.
inline const std::vector<AnnouncedRow> kAnnounced = {
    {{"7", "+", "5", "="}, "Variable 1: 7 | Operator: plus | Variable 2: 5 | Resultat: 12"},
    {{"-", "8", "x", "/", "-"}, "Variable 1: minus | Variable 1: -8 | Operator: mal | Operator: geteilt durch | "
                                "Variable 2: minus"},
    {{"+", "="}, "Operator: plus | Resultat: Unvollständige Eingabe!"},
    {{"1", "+", "2", " Schritt   zurück", "R > M", "löschen", "löschen"},
     "Variable 1: 1 | Operator: plus | Variable 2: 2 | Variable 2: leer | Alle Felder leer"},
    {{"@1:" + std::string(39, '1'), "1"}, "Variable 1: " + std::string(40, '1')},
    {{"@1:" + std::string(40, '1'), "@5:+", "1"}, "Variable 1: „" + std::string(40, '1') + "…“ (41 Zeichen)"},
    {{"@1:5", "@5:+", "@3:9", " Schritt   zurück"}, "Variable 1: leer, Operator: leer"},
    {{"@1:abc", "sin"}, ""},   // the error box says it
};

} // namespace rechner::testing
