// The texts that tell space: sizes in the sets view and the space line of the status bar.
#pragma once

#include <QString>
#include <cstdint>

struct CSetSummary;

// A size as the result list writes it; nothing at all reads "0 bytes".
QString SpaceText(std::uint64_t nBytes);
// "N sets, M extra copies, X to free".
QString SetsSummaryText(const CSetSummary& summary);
// "K files selected, Y".
QString SelectionText(std::uint64_t nFiles, std::uint64_t nBytes);
