// The calculators' screens in dots.
#include "add/calculators.h"

#include <cctype>

namespace {

constexpr int kMaxDots = 1024;

}  // namespace

const std::vector<CalculatorScreen>& calculatorScreens() {
    static const std::vector<CalculatorScreen> screens = {
        {"TI-73/81/82/83/83 Plus/84 Plus", 96, 64},
        {"TI-85/86", 128, 64},
        {"TI-89/92/Voyage 200", 160, 100},
        {"TI-89/92/Voyage 200", 240, 128},
        {"TI-84 Plus CE/CSE, TI-Nspire", 320, 240},
        {"HP-42S", 131, 16},
        {"HP-48/49/50", 131, 64},
        {"HP-48/49/50", 131, 80},
        {"Casio fx-9860G", 128, 64},
        // Colour screens: record them with "Record in colour".
        {"NumWorks, HP Prime", 320, 240},
        {"Casio fx-CG50", 384, 216},
    };
    return screens;
}

std::string calculatorRowText(const CalculatorScreen& screen) {
    return std::string(screen.name) + "  (" + std::to_string(screen.across) + " x " +
           std::to_string(screen.down) + ")";
}

bool readDotCount(const std::string& text, int* count) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    long value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
        if (value > kMaxDots) {
            return false;
        }
    }
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (digits == 0 || i != text.size() || value < 1) {
        return false;
    }
    *count = static_cast<int>(value);
    return true;
}
