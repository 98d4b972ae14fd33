// The calculators the helper offers, with their screens in dots, and the reading of a dot
// count typed by the user. Portable. Called by the helper's dialog; tested natively.
#pragma once

#include <string>
#include <vector>

struct CalculatorScreen {
    const char* name;  // as the list shows it, e.g. "TI-85/86"
    int across;        // dots across and down
    int down;
};

// In the order the list shows them; a calculator with two screen sizes has two rows.
const std::vector<CalculatorScreen>& calculatorScreens();

// The list row of a calculator: "TI-85/86  (128 x 64)".
std::string calculatorRowText(const CalculatorScreen& screen);

// A dot count typed into a box: digits only (blanks around allowed), 1..1024.
bool readDotCount(const std::string& text, int* count);
