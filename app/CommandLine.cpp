#include "CommandLine.h"

#include <cstring>

std::optional<std::string> FindResultsFileArgument(int argc, char** argv) {
    bool bOptions = true;
    for (int i = 1; i < argc; ++i) {
        const char* pszArg = argv[i];
        if (bOptions && std::strcmp(pszArg, "--") == 0) {
            bOptions = false;
            continue;
        }
        if (bOptions && pszArg[0] == '-') {
            if (std::strncmp(pszArg, "--screenshot", 12) == 0) ++i;  // its value
            continue;
        }
        return std::string(pszArg);
    }
    return std::nullopt;
}
