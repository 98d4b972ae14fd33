// The helper's command line split into arguments. Portable; called by its entry point.
#pragma once

#include <string>
#include <vector>

// Blanks separate arguments; double quotes group blanks into one ("a b"), and \" is a quote.
std::vector<std::string> splitCommandLine(const char* line);
