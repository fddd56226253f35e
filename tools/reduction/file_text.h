// A mirror file as text: its lines and their cells, as spreadsheets and
// editors write them.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace reduction {

std::string trim(const std::string& s);
std::string lower(std::string s);

// The cells of a line, trimmed; empty cells at its end, as spreadsheets
// write them, dropped.
std::vector<std::string> cells(const std::string& line, char separator);

// The file's lines, broken at CR LF, LF or a lone CR; a final break ends
// the last line.
std::vector<std::string> lines_of(std::istream& in);

// A text as a message quotes it: at most its first 80 characters.
std::string quoted(const std::string& text);

} // namespace reduction
