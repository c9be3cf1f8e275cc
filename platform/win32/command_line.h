// How a program's arguments are written into a Windows command line.
#pragma once

#include <string>

namespace vexlo::platform {

// One argument as the C runtime splits command lines: quoted, its backslashes before a quote
// doubled.
inline std::string quoted(const std::string& argument) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

}  // namespace vexlo::platform
