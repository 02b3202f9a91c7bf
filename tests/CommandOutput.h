#pragma once

#include <cstdio>
#include <string>

// What a shell command prints on standard output; "" when it cannot run.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof(buffer), pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}
