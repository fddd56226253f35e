// A substitute host that answers the add-in's callback requests, logs every
// call with its operands decoded, and lists every malformed request.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/xloper.h"

namespace pellux::recording {

// One operand as the host saw it. Fields beyond `type` hold the value of
// that type only.
struct Operand {
    const XLOPER12* address = nullptr; // as handed in; null for a null operand
    std::uint32_t type = 0;
    const XChar* str = nullptr;        // xltypeStr: the string pointer
    int count = -1;                    // xltypeStr: the count character
    std::u16string text;               // xltypeStr: the counted characters
    std::int32_t integer = 0;          // xltypeInt
    double number = 0;                 // xltypeNum
    std::int32_t error = 0;            // xltypeErr
};

struct Call {
    int function = 0;
    XLOPER12* result = nullptr;
    std::vector<Operand> operands;
    int code = 0; // what the host returned
};

enum class Version { Text, Number, Error, NullText };
enum class Name { Text, NullText, Error }; // xlGetName's answer

struct Config {
    Version version = Version::Text;     // xlfGetWorkspace(2) answer
    std::u16string version_text = u"16.0";
    double version_number = 16;
    Name name = Name::Text;
    std::u16string module_path = u"/opt/pellux/Pellux.so"; // xlGetName answer
    std::int32_t coerced = 1;                                // xlCoerce answer
    std::optional<double> register_result; // written into xlfRegister's result
    // Return code per function number; a nonzero code means the host does
    // nothing else for that call.
    std::map<int, int> codes;
    // Functions answered with success but without a result written.
    std::set<int> silent;
};

// Clears log, problems and configuration; host strings still outstanding are
// forgotten.
void reset();
Config& config();

int PELLUX_STDCALL callback(int function, int count, XLOPER12** args, XLOPER12* result);

const std::vector<Call>& calls();
std::vector<Call> calls_to(int function);
std::vector<int> functions_called();

const std::vector<std::string>& problems();
std::string problems_text(); // one per line, for assertion messages

// Host strings handed out (version text, module path) not yet freed.
std::size_t outstanding_strings();

// Operands as texts; an operand that is not a string gives "<type N>".
std::u16string text_of(const Operand& operand);
std::vector<std::u16string> texts_of(const Call& call);

// A string record as the host hands one to the add-in, owning its text.
class TextRecord {
public:
    explicit TextRecord(const std::u16string& text) : chars_(text.size() + 1)
    {
        chars_[0] = static_cast<XChar>(text.size());
        std::copy(text.begin(), text.end(), chars_.begin() + 1);
        record_.xltype = xltypeStr;
        record_.val.str = chars_.data();
    }
    TextRecord(const TextRecord&) = delete;
    TextRecord& operator=(const TextRecord&) = delete;
    XLOPER12* get() { return &record_; }
    const XChar* counted() const { return chars_.data(); }

private:
    std::vector<XChar> chars_;
    XLOPER12 record_{};
};

// A second callback that only counts its calls and answers 99, to show which
// of two callbacks the bridge installed.
int PELLUX_STDCALL decoy(int function, int count, XLOPER12** args, XLOPER12* result);
int decoy_calls();

} // namespace pellux::recording
