// What the command-line tools share in reading their arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace args {

// A finite decimal number and nothing else (a leading + allowed).
bool number(const std::string& text, double& x);

// A whole number and nothing else.
bool whole(const std::string& text, int& n);

// Numbers separated by commas, appended to out.
bool number_list(const std::string& text, std::vector<double>& out);

bool ends_with(const std::string& s, const std::string& tail);

// The number after the option argv[i] into slot, i moved onto it; false
// with "OPTION takes a number" when it is missing or not a number.
bool number_option(int argc, char** argv, int& i, std::optional<double>& slot, std::string& error);

} // namespace args
