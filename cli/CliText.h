// Cell texts for twinex-cli's outputs: file names are bytes, and must neither break a line of
// tsv or table nor send codes to a terminal.
#pragma once

#include <cstddef>
#include <string>

// Cell text for tsv: tab, newline and backslash as \t, \n and \\; all other bytes as they are.
std::string EscapeTsv(const std::string& str);

// Cell text for a terminal, so that a file name can neither break the table nor send codes
// to the terminal: tab, newline and return as \t, \n and \r, other ASCII controls and bytes
// that are not UTF-8 as \xHH, other code points that print nothing (C1 controls, format and
// direction marks, line separators, noncharacters) as \u{...} in lowercase hex.
std::string EscapeForTerminal(const std::string& str);

// Terminal columns taken by a text: one per character, one per invalid byte.
std::size_t DisplayWidth(const std::string& str);
