// Registering and removing worksheet functions (xlfRegister, xlfSetName),
// checked as Excel checks them.
#include "tools/xlhost/host/host.h"

#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/host/host_operands.h"

#include <cstdio>
#include <cstring>

using namespace pellux;

namespace xlhost {

namespace {

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
