#include "window/form1_controls.hpp"

#include "conversion/binary_conversion.hpp"
#include "engine/operations.hpp"
#include "window/version.hpp"

#include <stdexcept>

namespace rechner {
namespace {

constexpr FontDescription kWindowDefault{nullptr, 0.0, false};
constexpr FontDescription kField{"Arial", 12.0, false};
constexpr FontDescription kFieldBold{"Arial", 12.0, true};
constexpr FontDescription kKey{"Arial", 9.75, true};
constexpr FontDescription kSmallKey{"Arial", 8.25, true};
constexpr FontDescription kOperatorKey{"Arial", 12.0, true};
constexpr FontDescription kPointKey{"Arial", 14.25, true};
constexpr FontDescription kEquals{"MS Sans Serif", 13.5, false};

template <int D>
void digit(CalculatorState& state, DisplayFields& fields)
{
    enterDigit(state, fields, D);
}

using K = ControlKind;

// The credit line: the version's major and minor number, and what draws the window.
constexpr const char* kCredit = "Rechner " RECHNER_MAJOR_MINOR " – ein Taschenrechner " RECHNER_DRAWN_BY;

} // namespace

const std::array<ControlDescription, 38> kForm1Controls = {{
    {K::TextField, "txt_Text1", "", 480, 360, 4455, 495, kField, "Variable 1", nullptr, FieldRole::Variable1},
    {K::TextField, "txt_Text2", "", 480, 1380, 4455, 495, kField, "Variable 2", nullptr, FieldRole::Variable2},
    {K::TextField, "txt_Text3", "", 480, 2400, 4455, 495, kFieldBold, "Resultat", nullptr, FieldRole::Result},
    {K::Key, "cm_Command8", "8", 1680, 3480, 735, 375, kKey, "Acht", digit<8>},
    {K::Key, "cm_Command9", "9", 2820, 3480, 735, 375, kKey, "Neun", digit<9>},
    {K::Key, "cm_Command18", "löschen", 6960, 3480, 855, 375, kSmallKey, "Löschen", clearAll},
    {K::Key, "cm_Command7", "7", 600, 3480, 735, 375, kKey, "Sieben", digit<7>},
    {K::Key, "cm_Command4", "4", 600, 4005, 735, 375, kKey, "Vier", digit<4>},
    {K::Key, "cm_Command5", "5", 1680, 4005, 735, 375, kKey, "Fünf", digit<5>},
    {K::Key, "cm_Command6", "6", 2820, 4005, 735, 375, kKey, "Sechs", digit<6>},
    {K::Key, "cm_Command15", "x", 3870, 4005, 735, 375, kOperatorKey, "Mal", chooseMultiply},
    {K::Key, "cm_Command1", "1", 600, 4515, 735, 375, kKey, "Eins", digit<1>},
    {K::Key, "cm_Command2", "2", 1680, 4515, 735, 375, kKey, "Zwei", digit<2>},
    {K::Key, "cm_Command3", "3", 2820, 4515, 735, 375, kKey, "Drei", digit<3>},
    {K::Key, "cm_Command16", "-", 3870, 4515, 735, 375, kOperatorKey, "Minus", minusKey},
    {K::Key, "cm_Command11", "0", 600, 5040, 735, 375, kKey, "Null", digit<0>},
    {K::Key, "cm_Command12", ".", 1680, 5040, 735, 375, kPointKey, "Dezimalpunkt", enterPoint},
    {K::Key, "cm_Command13", "=", 2820, 5040, 735, 375, kOperatorKey, "Gleich", evaluate},
    {K::Key, "cm_Command17", "+", 3870, 5040, 735, 375, kOperatorKey, "Plus", chooseAdd},
    {K::Label, "Label1", "Variable 1", 5040, 480, 1695, 375, kWindowDefault, "Variable 1", nullptr, FieldRole::Variable1},
    {K::Label, "Label2", "Variable 2", 5040, 1560, 1695, 375, kWindowDefault, "Variable 2", nullptr, FieldRole::Variable2},
    {K::Label, "Label3", "Resultat", 5040, 2520, 1695, 375, kWindowDefault, "Resultat", nullptr, FieldRole::Result},
    {K::Label, "Label4", "   =", 4920, 1920, 615, 375, kEquals, "ist gleich", nullptr},
    {K::TextField, "txt_Text5", "", 4440, 960, 495, 315, kFieldBold, "Operator", nullptr, FieldRole::Operator},
    {K::ExitKey, "cm_Command20", "Exit", 6960, 5760, 855, 375, kSmallKey, "Beenden", nullptr},
    {K::Key, "cm_Command110", "Pi", 4920, 4005, 735, 375, kKey, "Pi", enterPi},
    {K::Key, "cm_Command14", "/", 3870, 3480, 735, 375, kOperatorKey, "Geteilt durch", chooseDivide},
    {K::Key, "cm_Command100", "(x)2", 4920, 3480, 735, 375, kKey, "Quadrat", square},
    {K::Key, "cm_Command120", "R > M", 4920, 4515, 735, 375, kKey, "Speichern", storeMemory},
    {K::Key, "cm_Command130", "R < M", 4920, 5040, 735, 375, kKey, "Speicher abrufen", recallMemory},
    {K::Key, "cm_Command200", " Schritt   zurück", 6960, 4005, 855, 1140, kSmallKey, "Schritt zurück", stepBack},
    {K::Key, "cm_Command600", "Umrechnung in Binär", 600, 5760, 2295, 375, kWindowDefault, "Umrechnung in Binär", decimalToBinary},
    {K::Key, "cm_Command610", "Umrechnung in Dezimal", 600, 6480, 2295, 375, kWindowDefault, "Umrechnung in Dezimal", binaryToDecimal},
    {K::Key, "cm_Command700", "sqrt", 6000, 3480, 735, 375, kKey, "Quadratwurzel", squareRootKey},
    {K::Key, "cm_Command710", "sin", 6000, 4005, 735, 375, kKey, "Sinus", sineKey},
    {K::Key, "cm_Command720", "cos", 6000, 4515, 735, 375, kKey, "Kosinus", cosineKey},
    {K::Key, "cm_Command730", "tan", 6000, 5040, 735, 375, kKey, "Tangens", tangentKey},
    {K::Label, "Label5", kCredit, 1560, 7200, 5295, 255, kWindowDefault, kCredit, nullptr},
}};

const ControlDescription& fieldControl(FieldRole role)
{
    for (const ControlDescription& control : kForm1Controls) {
        if (control.kind == ControlKind::TextField && control.role == role) {
            return control;
        }
    }
    throw std::invalid_argument("Form1 has no field of that role");
}

DisplayField& displayField(const DisplayFields& fields, FieldRole role)
{
    switch (role) {
    case FieldRole::Variable1:
        return fields.txt_Text1;
    case FieldRole::Variable2:
        return fields.txt_Text2;
    case FieldRole::Result:
        return fields.txt_Text3;
    case FieldRole::Operator:
        return fields.txt_Text5;
    case FieldRole::None:
        break;
    }
    throw std::invalid_argument("FieldRole::None names no display field");
}

} // namespace rechner
