#include "recording_host.h"

#include <cstring>
#include <memory>
#include <set>

namespace pellux::recording {

namespace {

struct State {
    Config config;
    std::vector<Call> calls;
    std::vector<std::string> problems;
    // Host strings stay allocated until reset, so a double free is reported
    // rather than read after release.
    std::vector<std::unique_ptr<XChar[]>> strings;
    std::set<const XChar*> outstanding;
};

State& state()
{
    static State s;
    return s;
}

void problem(const Call& call, const std::string& what)
{
    state().problems.push_back("function " + std::to_string(call.function) + ": " + what);
}

// Argument records may sit on 2-byte boundaries: everything is copied out.
Operand decode(const XLOPER12* address, Call& call, std::size_t index)
{
    Operand op;
    op.address = address;
    const std::string where = "operand " + std::to_string(index + 1);
    if (address == nullptr) {
        problem(call, where + " is a null pointer");
        return op;
    }
    XLOPER12 record;
    std::memcpy(&record, address, sizeof record);
    op.type = record.xltype;
    switch (record.xltype) {
    case xltypeStr: {
        std::memcpy(&op.str, &record.val.str, sizeof op.str);
        if (op.str == nullptr) {
            problem(call, where + " is a string with a null pointer");
            break;
        }
        XChar count;
        std::memcpy(&count, op.str, sizeof count);
        op.count = count;
        op.text.resize(count);
        if (count != 0)
            std::memcpy(op.text.data(), op.str + 1, sizeof(XChar) * count);
        if (op.text.find(u'\0') != std::u16string::npos)
            problem(call, where + " has a NUL inside its counted characters");
        break;
    }
    case xltypeInt: std::memcpy(&op.integer, &record.val.w, sizeof op.integer); break;
    case xltypeNum: std::memcpy(&op.number, &record.val.num, sizeof op.number); break;
    case xltypeErr: std::memcpy(&op.error, &record.val.err, sizeof op.error); break;
    default: break;
    }
    return op;
}

void write(XLOPER12* result, const XLOPER12& value) { std::memcpy(result, &value, sizeof value); }

XChar* host_string(const std::u16string& text)
{
    auto block = std::make_unique<XChar[]>(text.size() + 1);
    block[0] = static_cast<XChar>(text.size());
    std::memcpy(block.get() + 1, text.data(), sizeof(XChar) * text.size());
    XChar* str = block.get();
    state().strings.push_back(std::move(block));
    state().outstanding.insert(str);
    return str;
}

bool needs_result(int function)
{
    return function == xlfGetWorkspace || function == xlGetName || function == xlCoerce;
}

// Operands that must be texts: all of xlfRegister's and xlfSetName's, the
// message of xlcAlert.
bool must_be_text(int function, std::size_t index)
{
    return function == xlfRegister || function == xlfSetName || (function == xlcAlert && index == 0);
}

void answer(Call& call)
{
    State& s = state();
    XLOPER12 value{};
    switch (call.function) {
    case xlfGetWorkspace:
        switch (s.config.version) {
        case Version::Text:
            value.xltype = xltypeStr;
            value.val.str = host_string(s.config.version_text);
            break;
        case Version::Number:
            value.xltype = xltypeNum;
            value.val.num = s.config.version_number;
            break;
        case Version::Error:
            value.xltype = xltypeErr;
            value.val.err = xlerrNA;
            break;
        case Version::NullText: value.xltype = xltypeStr; break;
        }
        write(call.result, value);
        break;
    case xlGetName:
        value.xltype = s.config.name == Name::Error ? xltypeErr : xltypeStr;
        if (s.config.name == Name::Text)
            value.val.str = host_string(s.config.module_path);
        else if (s.config.name == Name::Error)
            value.val.err = xlerrNA;
        write(call.result, value);
        break;
    case xlCoerce:
        value.xltype = xltypeInt;
        value.val.w = s.config.coerced;
        write(call.result, value);
        break;
    case xlfRegister:
        if (s.config.register_result && call.result != nullptr) {
            value.xltype = xltypeNum;
            value.val.num = *s.config.register_result;
            write(call.result, value);
        }
        break;
    case xlFree:
        for (const Operand& op : call.operands) {
            if (op.type != xltypeStr || op.str == nullptr)
                continue;
            if (s.outstanding.erase(op.str) == 0)
                problem(call, "frees a string the host did not hand out or already freed");
        }
        break;
    default: break;
    }
}

} // namespace

void reset() { state() = State{}; }

Config& config() { return state().config; }

int PELLUX_STDCALL callback(int function, int count, XLOPER12** args, XLOPER12* result)
{
    State& s = state();
    Call call;
    call.function = function;
    call.result = result;
    if (count < 0 || (count > 0 && args == nullptr)) {
        problem(call, "operand count " + std::to_string(count) + " with operand array " +
                          (args == nullptr ? "null" : "present"));
        count = 0;
    }
    for (int i = 0; i < count; ++i) {
        XLOPER12* address;
        std::memcpy(&address, args + i, sizeof address);
        call.operands.push_back(decode(address, call, static_cast<std::size_t>(i)));
        const Operand& op = call.operands.back();
        if (op.address != nullptr && must_be_text(function, i) && op.type != xltypeStr)
            problem(call, "operand " + std::to_string(i + 1) + " is of type " +
                              std::to_string(op.type) + ", not a string");
    }
    if (needs_result(function) && result == nullptr)
        problem(call, "no result record");

    const auto code = s.config.codes.find(function);
    call.code = code != s.config.codes.end() ? code->second : xlretSuccess;
    if (call.code == xlretSuccess && (result != nullptr || !needs_result(function)) &&
        s.config.silent.count(function) == 0)
        answer(call);
    s.calls.push_back(call);
    return call.code;
}

const std::vector<Call>& calls() { return state().calls; }

std::vector<Call> calls_to(int function)
{
    std::vector<Call> found;
    for (const Call& call : state().calls)
        if (call.function == function)
            found.push_back(call);
    return found;
}

std::vector<int> functions_called()
{
    std::vector<int> functions;
    for (const Call& call : state().calls)
        functions.push_back(call.function);
    return functions;
}

const std::vector<std::string>& problems() { return state().problems; }

std::string problems_text()
{
    std::string text;
    for (const std::string& p : state().problems)
        text += p + "\n";
    return text;
}

std::size_t outstanding_strings() { return state().outstanding.size(); }

std::u16string text_of(const Operand& operand)
{
    if (operand.type == xltypeStr)
        return operand.text;
    std::u16string text = u"<type ";
    for (char c : std::to_string(operand.type))
        text += static_cast<char16_t>(c);
    return text + u">";
}

std::vector<std::u16string> texts_of(const Call& call)
{
    std::vector<std::u16string> texts;
    for (const Operand& op : call.operands)
        texts.push_back(text_of(op));
    return texts;
}

namespace {
int g_decoy_calls = 0;
} // namespace

int PELLUX_STDCALL decoy(int, int, XLOPER12**, XLOPER12*)
{
    ++g_decoy_calls;
    return 99;
}

int decoy_calls() { return g_decoy_calls; }

} // namespace pellux::recording
