#include "tools/xlhost/host.h"

#include "host/platform.h"
#include "tools/xlhost/display.h"
#include "tools/xlhost/formula.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace pellux;

namespace xlhost {

namespace {

constexpr std::size_t kMaxText = 255;
constexpr std::uint32_t kTypeBits = ~(xlbitXLFree | xlbitDLLFree);

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

std::vector<std::string> split_names(const std::string& text)
{
    std::vector<std::string> names;
    if (text.empty())
        return names;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::size_t first = name.find_first_not_of(' ');
        std::size_t last = name.find_last_not_of(' ');
        names.push_back(first == std::string::npos ? std::string() : name.substr(first, last - first + 1));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return names;
}

bool valid_worksheet_name(const std::string& name)
{
    if (name.empty())
        return false;
    char first = name[0];
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_'))
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '.'))
            return false;
    return true;
}

} // namespace

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

namespace {

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

} // namespace

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

// Arguments: module, procedure, type text, function text, argument text,
// macro type, category, shortcut, help topic, function help, argument helps.
int Host::register_function(int count, XLOPER12** args, XLOPER12* result)
{
    std::vector<std::string> texts;
    std::string refusal;
    for (int i = 0; i < count; ++i) {
        XLOPER12* pointer = argument(xlfRegister, count, args, i);
        if (pointer == nullptr) {
            refusal = "argument " + std::to_string(i + 1) + " is a null pointer";
            texts.emplace_back();
            continue;
        }
        XLOPER12 record = read_record(pointer);
        std::uint32_t type = record.xltype & kTypeBits;
        if (i >= 4 && (type == xltypeMissing || type == xltypeNil)) {
            texts.emplace_back();
            continue;
        }
        std::u16string text;
        std::string problem;
        if (!read_text(record, text, problem)) {
            if (refusal.empty())
                refusal = "argument " + std::to_string(i + 1) + ": " + problem;
            texts.emplace_back();
            continue;
        }
        if (text.size() > kMaxText && refusal.empty())
            refusal = "argument " + std::to_string(i + 1) + " is " + std::to_string(text.size()) +
                      " characters long, more than " + std::to_string(kMaxText);
        texts.push_back(utf8_from_utf16(text));
    }
    texts.resize(count > 10 ? static_cast<std::size_t>(count) : 10);

    Registration entry;
    entry.module = texts[0];
    entry.procedure = texts[1];
    entry.type_text = texts[2];
    entry.name = texts[3];
    entry.argument_text = texts[4];
    entry.category = texts[6];
    entry.function_help = texts[9];
    entry.argument_names = split_names(entry.argument_text);

    auto refuse = [&](const std::string& reason) {
        if (refusal.empty())
            refusal = reason;
    };
    if (count < 4)
        refuse("only " + std::to_string(count) + " arguments; a worksheet function needs at least 4");
    if (!texts[5].empty() && texts[5] != "1")
        refuse("macro type \"" + texts[5] + "\": only worksheet functions (1) are served");
    if (entry.module != utf8_from_utf16(module_path_))
        refuse("module \"" + entry.module + "\" is not the loaded add-in \"" + utf8_from_utf16(module_path_) + "\"");

    // Type text: result letter U, then K or E per argument, optionally
    // followed by the modifiers '!' (volatile) and '$' (thread safe).
    const std::string& type = entry.type_text;
    std::size_t end = type.size();
    while (end > 0 && (type[end - 1] == '!' || type[end - 1] == '$'))
        --end;
    if (end == 0) {
        refuse("empty type text");
    } else {
        entry.result_letter = type.substr(0, 1);
        entry.argument_letters = type.substr(1, end - 1);
        if (entry.result_letter != "U")
            refuse("type text \"" + type + "\": result letter '" + entry.result_letter + "' is not served (U is)");
        for (char letter : entry.argument_letters)
            if (letter != 'K' && letter != 'E') {
                refuse("type text \"" + type + "\": unknown argument letter '" + std::string(1, letter) + "'");
                break;
            }
        if (entry.argument_letters.size() > kMaxArguments)
            refuse("type text \"" + type + "\" has more than " + std::to_string(kMaxArguments) + " arguments");
        else if (entry.argument_letters.size() != entry.argument_names.size())
            refuse("type text \"" + type + "\" has " + std::to_string(entry.argument_letters.size()) +
                   " arguments but the argument text \"" + entry.argument_text + "\" names " +
                   std::to_string(entry.argument_names.size()));
    }
    for (const std::string& argument_name : entry.argument_names)
        if (argument_name.empty()) {
            refuse("argument text \"" + entry.argument_text + "\" has an empty name");
            break;
        }
    if (!valid_worksheet_name(entry.name))
        refuse("\"" + entry.name + "\" is not a valid worksheet function name");
    if (refusal.empty() && module_ != nullptr) {
        entry.address = module_symbol(module_, entry.procedure.c_str());
        if (entry.address == nullptr)
            refuse("procedure \"" + entry.procedure + "\" is not exported by the add-in");
    }

    if (!refusal.empty()) {
        std::string shown = entry.name.size() > 40 ? entry.name.substr(0, 40) + "..." : entry.name;
        warn("xlfRegister of \"" + shown + "\" refused: " + refusal);
        answer(result, error_record(xlerrValue));
        return xlretSuccess;
    }

    for (std::size_t i = 0; i < entry.argument_letters.size(); ++i)
        entry.argument_helps.push_back(10 + i < texts.size() ? texts[10 + i] : std::string());

    XLOPER12 id{};
    id.xltype = xltypeNum;
    for (Registration& existing : functions_) {
        if (same_name(existing.name, entry.name)) {
            warn("xlfRegister: \"" + entry.name + "\" registered again; the new registration replaces it");
            entry.id = existing.id;
            existing = std::move(entry);
            id.val.num = existing.id;
            answer(result, id);
            return xlretSuccess;
        }
    }
    entry.id = next_id_++;
    id.val.num = entry.id;
    functions_.push_back(std::move(entry));
    answer(result, id);
    return xlretSuccess;
}

// With the name alone: removes it, as the add-in does on close.
int Host::set_name(int count, XLOPER12** args, XLOPER12* result)
{
    if (count != 1) {
        warn("xlfSetName: only the one-argument form (remove a name) is served; given " + std::to_string(count) +
             " arguments");
        return xlretFailed;
    }
    std::u16string text;
    if (!text_argument(xlfSetName, count, args, 0, text))
        return xlretFailed;
    std::string name = utf8_from_utf16(text);
    for (auto it = functions_.begin(); it != functions_.end(); ++it) {
        if (same_name(it->name, name)) {
            functions_.erase(it);
            XLOPER12 done{};
            done.val.w = 1;
            done.xltype = xltypeBool;
            answer(result, done);
            return xlretSuccess;
        }
    }
    warn("xlfSetName: no registered function named \"" + name + "\"");
    answer(result, error_record(xlerrName));
    return xlretSuccess;
}

} // namespace xlhost

PELLUX_EXPORT int PELLUX_STDCALL MdCallBack12(int function, int count, pellux::XLOPER12** args, pellux::XLOPER12* result)
{
    return xlhost::host().call(function, count, args, result);
}
