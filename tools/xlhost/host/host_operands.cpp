// Reading and answering the operands the add-in passes to the host: records
// at any 2-byte-aligned address, their text, integers, and warnings.
#include "tools/xlhost/host/host_operands.h"

#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/host/host.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace pellux;

namespace xlhost {

void warn(const std::string& message) { std::fprintf(stderr, "xlhost: %s\n", message.c_str()); }

std::string hex(std::uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

const char* function_name(int function)
{
    switch (function) {
    case xlFree: return "xlFree";
    case xlCoerce: return "xlCoerce";
    case xlGetName: return "xlGetName";
    case xlfSetName: return "xlfSetName";
    case xlfRegister: return "xlfRegister";
    case xlfGetWorkspace: return "xlfGetWorkspace";
    case xlcAlert: return "xlcAlert";
    default: return "function";
    }
}

XLOPER12 error_record(std::int32_t code)
{
    XLOPER12 record{};
    record.val.err = code;
    record.xltype = xltypeErr;
    return record;
}

void answer(XLOPER12* result, const XLOPER12& record)
{
    if (result != nullptr)
        write_record(result, record);
}

// Argument `index`, warning about null pointers; null when absent.
XLOPER12* argument(int function, int count, XLOPER12** args, int index)
{
    if (index >= count)
        return nullptr;
    XLOPER12* pointer = nullptr;
    std::memcpy(&pointer, reinterpret_cast<const unsigned char*>(args) + sizeof pointer * static_cast<std::size_t>(index),
                sizeof pointer);
    if (pointer == nullptr)
        warn(std::string(function_name(function)) + ": argument " + std::to_string(index + 1) +
             " is a null pointer");
    return pointer;
}

// An integer from an int or number record.
bool read_integer(const XLOPER12& record, long long& out)
{
    std::uint32_t type = record.xltype & kTypeBits;
    if (type == xltypeInt) {
        out = record.val.w;
        return true;
    }
    if (type == xltypeNum && std::isfinite(record.val.num)) {
        out = static_cast<long long>(std::trunc(record.val.num));
        return true;
    }
    return false;
}

XLOPER12 read_record(const void* address)
{
    XLOPER12 record;
    std::memcpy(&record, address, sizeof record);
    return record;
}

void write_record(void* address, const XLOPER12& record) { std::memcpy(address, &record, sizeof record); }

bool read_text(const XLOPER12& record, std::u16string& text, std::string& problem)
{
    text.clear();
    if ((record.xltype & kTypeBits) != xltypeStr) {
        problem = "type word " + hex(record.xltype) + " is not text";
        return false;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record.val.str);
    if (bytes == nullptr) {
        problem = "text record with a null string pointer";
        return false;
    }
    char16_t length = 0;
    std::memcpy(&length, bytes, sizeof length);
    text.resize(length);
    if (length > 0)
        std::memcpy(text.data(), bytes + sizeof length, sizeof(char16_t) * length);
    bool malformed = false;
    utf8_from_utf16(text, &malformed);
    if (malformed) {
        problem = "text with an unpaired surrogate";
        return false;
    }
    return true;
}

// Argument `index` as text, warning when it is missing or not a well-formed string.
bool text_argument(int function, int count, XLOPER12** args, int index, std::u16string& text)
{
    XLOPER12* pointer = argument(function, count, args, index);
    if (pointer == nullptr) {
        warn(std::string(function_name(function)) + ": argument " + std::to_string(index + 1) + " is missing");
        return false;
    }
    std::string problem;
    if (!read_text(read_record(pointer), text, problem)) {
        warn(std::string(function_name(function)) + ": " + problem);
        return false;
    }
    return true;
}

} // namespace xlhost
