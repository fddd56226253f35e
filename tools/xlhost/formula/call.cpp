#include "tools/xlhost/formula/call.h"

#include "tools/xlhost/formula/expression.h"

namespace xlhost {

ParseResult parse_formula(std::string_view text)
{
    ExpressionParse parsed = parse_call(text);
    ParseResult result;
    if (!parsed.ok) {
        result.error = std::move(parsed.error);
        result.position = parsed.position;
        return result;
    }
    result.call.name = std::move(parsed.root.name);
    for (const Node& argument : parsed.root.children) {
        Operand operand;
        if (argument.kind == NodeKind::Array) {
            operand.is_array = true;
            operand.rows = argument.rows;
            operand.columns = argument.columns;
            for (const Node& cell : argument.children)
                operand.cells.push_back(cell.value.number);
        } else {
            operand.cells.assign(1, argument.value.number);
        }
        result.call.arguments.push_back(std::move(operand));
    }
    result.ok = true;
    return result;
}

} // namespace xlhost
