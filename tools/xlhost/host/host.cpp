#include "tools/xlhost/host/host.h"

#include "host/platform.h"
#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/formula/call.h"
#include "tools/xlhost/host/host_operands.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace pellux;

namespace xlhost {

Host& host()
{
    static Host instance;
    return instance;
}

void Host::attach(void* module, std::u16string module_path)
{
    module_ = module;
    module_path_ = std::move(module_path);
}

const Registration* Host::find(std::string_view name) const
{
    for (const Registration& entry : functions_)
        if (same_name(entry.name, name))
            return &entry;
    return nullptr;
}

std::vector<std::string> Host::unfreed_strings() const
{
    std::vector<std::string> lines;
    for (const auto& [address, owned] : owned_) {
        std::u16string text(owned.storage.begin() + 1, owned.storage.end());
        std::string line(1, '"');
        line += utf8_from_utf16(text);
        line += "\" from ";
        line += owned.from;
        lines.push_back(std::move(line));
    }
    return lines;
}

int Host::call(int function, int count, XLOPER12** args, XLOPER12* result)
{
    if (count < 0) {
        warn(std::string(function_name(function)) + " called with a negative argument count " +
             std::to_string(count));
        return xlretFailed;
    }
    if (count > 0 && args == nullptr) {
        warn(std::string(function_name(function)) + " called with " + std::to_string(count) +
             " arguments but a null argument array");
        return xlretFailed;
    }
    switch (function) {
    case xlfGetWorkspace: return get_workspace(count, args, result);
    case xlGetName: return get_name(count, result);
    case xlFree: return free_records(count, args);
    case xlCoerce: return coerce(count, args, result);
    case xlcAlert: return alert(count, args);
    case xlfRegister: return register_function(count, args, result);
    case xlfSetName: return set_name(count, args, result);
    default:
        warn("host function " + std::to_string(function) + " (" + hex(static_cast<std::uint32_t>(function)) +
             ") is not served");
        return xlretFailed;
    }
}

void Host::hand_out_text(const std::u16string& text, const char* from, XLOPER12* result)
{
    Owned owned;
    owned.storage.reserve(text.size() + 1);
    owned.storage.push_back(static_cast<char16_t>(text.size()));
    owned.storage.insert(owned.storage.end(), text.begin(), text.end());
    owned.from = from;
    XLOPER12 record{};
    record.val.str = owned.storage.data();
    record.xltype = xltypeStr;
    owned_[owned.storage.data()] = std::move(owned);
    write_record(result, record);
}

int Host::get_workspace(int count, XLOPER12** args, XLOPER12* result)
{
    XLOPER12* what = argument(xlfGetWorkspace, count, args, 0);
    long long code = 0;
    if (what == nullptr || !read_integer(read_record(what), code)) {
        warn("xlfGetWorkspace: expected a number as its argument");
        return xlretFailed;
    }
    if (code != 2) {
        warn("xlfGetWorkspace(" + std::to_string(code) + ") is not served");
        return xlretFailed;
    }
    if (result == nullptr) {
        warn("xlfGetWorkspace: no result record");
        return xlretFailed;
    }
    hand_out_text(version_, "xlfGetWorkspace", result);
    return xlretSuccess;
}

int Host::get_name(int count, XLOPER12* result)
{
    if (count != 0)
        warn("xlGetName: takes no arguments, was given " + std::to_string(count));
    if (result == nullptr) {
        warn("xlGetName: no result record");
        return xlretFailed;
    }
    hand_out_text(module_path_, "xlGetName", result);
    return xlretSuccess;
}

int Host::free_records(int count, XLOPER12** args)
{
    for (int i = 0; i < count; ++i) {
        XLOPER12* pointer = argument(xlFree, count, args, i);
        if (pointer == nullptr)
            continue;
        XLOPER12 record = read_record(pointer);
        std::uint32_t type = record.xltype & kTypeBits;
        if (type == xltypeStr || type == xltypeMulti) {
            const void* memory = type == xltypeStr ? static_cast<const void*>(record.val.str)
                                                   : static_cast<const void*>(record.val.array.lparray);
            auto found = owned_.find(memory);
            if (found == owned_.end())
                warn("xlFree: " + std::string(type == xltypeStr ? "text" : "array") + " at " +
                     hex(reinterpret_cast<std::uintptr_t>(memory)) +
                     " was not handed out by the host, or was freed already");
            else
                owned_.erase(found);
        } else if (type != xltypeNum && type != xltypeInt && type != xltypeBool && type != xltypeErr &&
                   type != xltypeNil && type != xltypeMissing) {
            warn("xlFree: record with unexpected type word " + hex(record.xltype));
        }
    }
    return xlretSuccess;
}

// Only the conversion the add-in asks for: a value to xltypeInt.
int Host::coerce(int count, XLOPER12** args, XLOPER12* result)
{
    if (count != 2) {
        warn("xlCoerce: expected a value and a target type, was given " + std::to_string(count) + " arguments");
        return xlretFailed;
    }
    XLOPER12* value_pointer = argument(xlCoerce, count, args, 0);
    XLOPER12* target_pointer = argument(xlCoerce, count, args, 1);
    if (value_pointer == nullptr || target_pointer == nullptr)
        return xlretFailed;
    long long target = 0;
    if (!read_integer(read_record(target_pointer), target) || target != xltypeInt) {
        warn("xlCoerce: only the target type xltypeInt (2048) is served");
        return xlretFailed;
    }
    if (result == nullptr) {
        warn("xlCoerce: no result record");
        return xlretFailed;
    }
    XLOPER12 value = read_record(value_pointer);
    std::uint32_t type = value.xltype & kTypeBits;
    double number = 0;
    if (type == xltypeInt) {
        number = value.val.w;
    } else if (type == xltypeNum) {
        number = value.val.num;
    } else if (type == xltypeBool) {
        number = value.val.w != 0 ? 1 : 0;
    } else if (type == xltypeStr) {
        std::u16string text;
        std::string problem;
        if (!read_text(value, text, problem)) {
            warn("xlCoerce: " + problem);
            return xlretFailed;
        }
        ParseResult parsed = parse_formula("N(" + utf8_from_utf16(text) + ")");
        if (!parsed.ok || parsed.call.arguments.size() != 1 || parsed.call.arguments[0].is_array)
            return xlretFailed;
        number = parsed.call.arguments[0].cells[0];
    } else {
        return xlretFailed;
    }
    number = std::trunc(number);
    if (!(number >= -2147483648.0 && number <= 2147483647.0))
        return xlretFailed;
    XLOPER12 record{};
    record.val.w = static_cast<std::int32_t>(number);
    record.xltype = xltypeInt;
    write_record(result, record);
    return xlretSuccess;
}

int Host::alert(int count, XLOPER12** args)
{
    std::u16string text;
    if (!text_argument(xlcAlert, count, args, 0, text))
        return xlretFailed;
    long long type = 2;
    if (XLOPER12* kind = argument(xlcAlert, count, args, 1); kind != nullptr)
        read_integer(read_record(kind), type);
    std::fprintf(stderr, "Alert (type %lld): %s\n", type, utf8_from_utf16(text).c_str());
    return xlretSuccess;
}

} // namespace xlhost

PELLUX_EXPORT int PELLUX_STDCALL MdCallBack12(int function, int count, pellux::XLOPER12** args, pellux::XLOPER12* result)
{
    return xlhost::host().call(function, count, args, result);
}
