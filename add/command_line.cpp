#include "add/command_line.h"

std::vector<std::string> splitCommandLine(const char* line) {
    std::vector<std::string> args;
    if (line == nullptr) {
        return args;
    }
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == '\\' && p[1] == '"') {
            current += '"';
            inArgument = true;
            ++p;
        } else if (*p == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inArgument) {
                args.push_back(current);
                current.clear();
                inArgument = false;
            }
        } else {
            current += *p;
            inArgument = true;
        }
    }
    if (inArgument) {
        args.push_back(current);
    }
    return args;
}
