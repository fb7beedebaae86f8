// The one table of the criteria's names, as results files and twinex-cli's --by spell them.
#pragma once

#include <array>
#include <string_view>

#include "SearchState.h"

// Indexed by EMatchCriterion.
inline constexpr std::array<std::string_view, 4> CRITERION_NAMES = {"size", "checksum", "crc32",
                                                                    "contents"};

// The name of nCriterion; empty when it is none of the criteria.
constexpr std::string_view CriterionName(int nCriterion) {
    return nCriterion >= MATCH_SIZE && nCriterion <= MATCH_CONTENTS
               ? CRITERION_NAMES[static_cast<std::size_t>(nCriterion)]
               : std::string_view();
}

// The criterion a name stands for (exact spelling), or -1.
constexpr int CriterionFromName(std::string_view strName) {
    for (std::size_t i = 0; i < CRITERION_NAMES.size(); ++i)
        if (CRITERION_NAMES[i] == strName) return static_cast<int>(i);
    return -1;
}
