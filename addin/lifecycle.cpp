#include "addin/lifecycle.h"

#include <cwctype>

#include "addin/function_table.h"
#include "addin/registration.h"
#include "host/bridge.h"
#include "host/scratch.h"

using namespace pellux;

namespace {

// Records the host fills and reads after a callback returns.
XLOPER12 g_version;
XLOPER12 g_open_module_name;
XLOPER12 g_register_module_name;
XLOPER12 g_coerced_action;
XLOPER12 g_manager_result;
XLOPER12 g_register_result;

XChar g_long_name[256];

constexpr const XChar* kTooOld = u"The Pellux Library XLL Add-in requires Excel 2007 or later";
constexpr const XChar* kAdded = u"\"Pellux Library\" added";
constexpr const XChar* kRemoved = u"\"Pellux Library\" removed";
constexpr const XChar* kLongNameTemplate = u" Pellux Library";
constexpr int kLongNameLength = 14; // "Pellux Library"

constexpr int kAlertError = 3;
constexpr int kAlertInformation = 2;
constexpr int kWorkspaceVersion = 2;

int alert(const XChar* text, int type)
{
    XLOPER12* alert_type = temp_int(type);
    XLOPER12* message = temp_string(text);
    return host_call(xlcAlert, nullptr, 2, message, alert_type);
}

void set_value_error(XLOPER12& record)
{
    record.xltype = xltypeErr;
    record.val.err = xlerrValue;
}

// A string record with characters behind it, `type` being its type word
// (without the ownership flags for an argument handed in).
bool is_string(const XLOPER12& record, std::uint32_t type)
{
    return type == xltypeStr && record.val.str != nullptr;
}

// Asks the host for the module name into `record`, cleared first so that an
// answer that writes nothing leaves no stale string. False when the call
// fails or gives no string: then there is nothing to register or free.
bool get_module_name(XLOPER12& record)
{
    record = XLOPER12{};
    return host_call(xlGetName, &record, 0) == xlretSuccess && is_string(record, record.xltype);
}

bool matches_procedure(const XChar* counted, const XChar* procedure)
{
    int length = 0;
    while (procedure[length] != 0)
        ++length;
    if (counted[0] != length)
        return false;
    for (int i = 0; i < length; ++i)
        if (std::towlower(static_cast<std::wint_t>(counted[i + 1])) !=
            std::towlower(static_cast<std::wint_t>(procedure[i])))
            return false;
    return true;
}

} // namespace

double pellux::read_version_text(const XChar* counted)
{
    if (counted == nullptr)
        return 0.0; // read as the empty text
    const int n = counted[0];
    double version = 0.0;
    int dot = 0;
    for (int i = 1; i <= n; ++i) {
        if (counted[i] == u'.')
            dot = i;
        else
            version = version * 10 + (static_cast<int>(counted[i]) - 48);
    }
    if (dot != 0)
        for (int i = 0; i < n - dot; ++i)
            version = version / 10;
    return version;
}

int PELLUX_STDCALL xlAutoOpen()
{
    scratch_reset();

    // Cleared first: a host that answers without writing leaves no type, and
    // the version test is skipped rather than run on the last call's text.
    g_version = XLOPER12{};
    if (host_call(xlfGetWorkspace, &g_version, 1, temp_int(kWorkspaceVersion)) == xlretSuccess) {
        bool known = true;
        double version = 0.0;
        if (g_version.xltype == xltypeStr) {
            // A null string reads as the empty text, so it is refused.
            version = read_version_text(g_version.val.str);
            if (g_version.val.str != nullptr)
                host_call(xlFree, nullptr, 1, &g_version);
        } else if (g_version.xltype == xltypeNum) {
            version = g_version.val.num;
        } else {
            known = false;
        }
        if (known && version < 12) {
            alert(kTooOld, kAlertError);
            scratch_reset();
            return 0;
        }
    }

    if (get_module_name(g_open_module_name)) {
        for (std::int16_t row = 0; row < kFunctionCount; ++row)
            register_row(nullptr, &g_open_module_name, row);
        host_call(xlFree, nullptr, 1, &g_open_module_name);
    }

    scratch_reset();
    return 1;
}

int PELLUX_STDCALL xlAutoClose()
{
    scratch_reset();
    for (int row = 0; row < kFunctionCount; ++row)
        host_call(xlfSetName, nullptr, 1, temp_string(kFunctionTable.rows[row].function_text));
    scratch_reset();
    return 1;
}

int PELLUX_STDCALL xlAutoAdd()
{
    scratch_reset();
    alert(kAdded, kAlertInformation);
    scratch_reset();
    return 1;
}

int PELLUX_STDCALL xlAutoRemove()
{
    scratch_reset();
    alert(kRemoved, kAlertInformation);
    scratch_reset();
    return 1;
}

XLOPER12* PELLUX_STDCALL xlAddInManagerInfo12(XLOPER12* action)
{
    scratch_reset();
    host_call(xlCoerce, &g_coerced_action, 2, action, temp_int(static_cast<std::int32_t>(xltypeInt)));

    if (g_coerced_action.val.w == 1) {
        int i = 0;
        for (; i < 255 && kLongNameTemplate[i] != 0; ++i)
            g_long_name[i] = kLongNameTemplate[i];
        g_long_name[i] = 0;
        g_long_name[0] = static_cast<XChar>(kLongNameLength);
        g_manager_result.val.str = g_long_name;
        g_manager_result.xltype = xltypeStr;
    } else {
        set_value_error(g_manager_result);
    }

    scratch_reset();
    return &g_manager_result;
}

XLOPER12* PELLUX_STDCALL xlAutoRegister12(XLOPER12* name)
{
    scratch_reset();
    set_value_error(g_register_result);

    // Only a string names a procedure; anything else is refused unread.
    if (name != nullptr && is_string(*name, name->xltype & ~(xlbitXLFree | xlbitDLLFree))) {
        for (std::int16_t row = 0; row < kFunctionCount; ++row) {
            if (!matches_procedure(name->val.str, kFunctionTable.rows[row].procedure))
                continue;
            if (get_module_name(g_register_module_name)) {
                register_row(&g_register_result, &g_register_module_name, row);
                host_call(xlFree, nullptr, 1, &g_register_module_name);
            }
            break;
        }
    }

    scratch_reset();
    return &g_register_result;
}
