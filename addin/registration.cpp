#include "addin/registration.h"

#include "addin/function_table.h"
#include "host/bridge.h"
#include "host/scratch.h"

namespace pellux {

int register_row(XLOPER12* result, XLOPER12* module_name, std::int16_t row)
{
    return register_function(result, module_name, kFunctionTable.rows[row], kFunctionTable.help[row]);
}

int register_function(XLOPER12* result, XLOPER12* module_name, const FunctionRow& entry,
                      const XChar* const* help)
{
    XLOPER12* texts[kRegistrationTexts];
    for (int i = 0; i < kRegistrationTexts; ++i)
        texts[i] = temp_string(registration_text(entry, i));

    if (entry.argument_text[0] == 0) {
        XLOPER12* function_help = temp_string(help[0]);
        XLOPER12* no_arguments = temp_string(u"This function takes no arguments. ");
        return host_call(xlfRegister, result, 11, module_name, texts[0], texts[1], texts[2],
                         texts[3], texts[4], texts[5], texts[6], texts[7], function_help,
                         no_arguments);
    }

    XLOPER12* helps[kHelpTexts];
    for (int i = 0; i < kHelpTexts; ++i)
        helps[i] = temp_string(help[i]); // an absent help goes as an empty text
    return host_call(xlfRegister, result, 18, module_name, texts[0], texts[1], texts[2], texts[3],
                     texts[4], texts[5], texts[6], texts[7], helps[0], helps[1], helps[2],
                     helps[3], helps[4], helps[5], helps[6], helps[7], helps[8]);
}

} // namespace pellux
