// The emulated host: the callback the add-in calls (MdCallBack12), the
// table of worksheet functions it registers, and the host-owned strings it
// must give back with xlFree.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// Most arguments xlhost can pass to a registered procedure.
constexpr std::size_t kMaxArguments = 32;

struct Registration {
    double id = 0;
    std::string module;
    std::string procedure;
    std::string type_text;          // e.g. "UKKKE"
    std::string result_letter;      // "U"
    std::string argument_letters;   // e.g. "KKKE"
    std::string name;               // the worksheet name
    std::string argument_text;
    std::vector<std::string> argument_names;
    std::string category;
    std::string function_help;
    std::vector<std::string> argument_helps; // one per argument
    void* address = nullptr;
};

class Host {
public:
    void attach(void* module, std::u16string module_path);
    void set_excel_version(std::u16string version) { version_ = std::move(version); }

    int call(int function, int count, pellux::XLOPER12** args, pellux::XLOPER12* result);

    const std::vector<Registration>& functions() const { return functions_; }
    const Registration* find(std::string_view name) const;

    // Host-owned strings handed out and not yet given back, one line each.
    std::vector<std::string> unfreed_strings() const;

private:
    int get_workspace(int count, pellux::XLOPER12** args, pellux::XLOPER12* result);
    int get_name(int count, pellux::XLOPER12* result);
    int free_records(int count, pellux::XLOPER12** args);
    int coerce(int count, pellux::XLOPER12** args, pellux::XLOPER12* result);
    int alert(int count, pellux::XLOPER12** args);
    int register_function(int count, pellux::XLOPER12** args, pellux::XLOPER12* result);
    int set_name(int count, pellux::XLOPER12** args, pellux::XLOPER12* result);

    // A host-owned counted string in `result`, tracked until xlFree.
    void hand_out_text(const std::u16string& text, const char* from, pellux::XLOPER12* result);

    void* module_ = nullptr;
    std::u16string module_path_;
    std::u16string version_ = u"16.0";
    std::vector<Registration> functions_;
    double next_id_ = 1;

    struct Owned {
        std::vector<char16_t> storage;
        std::string from; // what handed it out, for the report
    };
    std::map<const void*, Owned> owned_;
};

Host& host();

// Reading records and text that may sit at any 2-byte-aligned address.
pellux::XLOPER12 read_record(const void* address);
void write_record(void* address, const pellux::XLOPER12& record);
// The text of a string record; false (with a reason) when malformed.
bool read_text(const pellux::XLOPER12& record, std::u16string& text, std::string& problem);

} // namespace xlhost

// The callback the add-in looks up by name in the main program.
PELLUX_EXPORT int PELLUX_STDCALL MdCallBack12(int function, int count, pellux::XLOPER12** args,
                               pellux::XLOPER12* result);
