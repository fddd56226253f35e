// Helpers shared by the host's services: the operands the add-in passes
// (records at any 2-byte-aligned address), integers, text and warnings.
#pragma once

#include "host/xloper.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace xlhost {

constexpr std::size_t kMaxText = 255;
// The type word without the two ownership flags.
constexpr std::uint32_t kTypeBits = ~(pellux::xlbitXLFree | pellux::xlbitDLLFree);

void warn(const std::string& message);
std::string hex(std::uint64_t value);
// The host function's name, for messages.
const char* function_name(int function);
pellux::XLOPER12 error_record(std::int32_t code);
// Writes `record` into `result` unless the add-in wants no result.
void answer(pellux::XLOPER12* result, const pellux::XLOPER12& record);
// Argument `index`, warning about null pointers; null when absent.
pellux::XLOPER12* argument(int function, int count, pellux::XLOPER12** args, int index);
// An integer from an int or number record.
bool read_integer(const pellux::XLOPER12& record, long long& out);
// Argument `index` as text, warning when it is missing or not a well-formed string.
bool text_argument(int function, int count, pellux::XLOPER12** args, int index, std::u16string& text);

} // namespace xlhost
