#include "tools/xlhost/formula/references.h"

#include "host/xloper.h"

#include <algorithm>
#include <regex>
#include <string>
#include <utility>

namespace xlhost {

namespace {

// A reference whose rows and columns are all absolute: Data!$A$1:$B$3,
// [$Data.$A$1:.$B$3]. Relative names depend on the cell that uses them.
bool plain_absolute_reference(std::string_view text, Grammar grammar)
{
    static const std::regex excel(R"(^=?(('([^']|'')+'|[^'!:\[\]]+)!)?\$[A-Za-z]{1,3}\$[0-9]{1,7}(:\$[A-Za-z]{1,3}\$[0-9]{1,7})?$)");
    static const std::regex open(R"(^=?\[(\$?('([^']|'')+'|[^'.:\[\]]+))?\.\$[A-Za-z]{1,3}\$[0-9]{1,7}(:(\$?('([^']|'')+'|[^'.:\[\]]+))?\.\$[A-Za-z]{1,3}\$[0-9]{1,7})?\]$)");
    std::string t(text);
    return std::regex_match(t, grammar == Grammar::Excel ? excel : open);
}

} // namespace

Node reference_node(const Workbook& book, int sheet, const Token& first, const Token* second)
{
    if (first.has_sheet)
        sheet = book.find_sheet(first.sheet);
    CellPart a = first.first, b = first.is_range ? first.second : first.first;
    bool valid = sheet >= 0 && a.valid && b.valid;
    if (first.has_sheet2 && book.find_sheet(first.sheet2) != sheet)
        valid = false;
    if (second != nullptr) {
        b = second->first;
        valid = valid && b.valid && !second->is_range &&
                (!second->has_sheet || book.find_sheet(second->sheet) == sheet);
    }
    Node n;
    if (!valid) {
        n.value = error_value(pellux::xlerrRef);
        return n;
    }
    n.kind = NodeKind::Reference;
    n.range.sheet = sheet;
    n.range.row1 = static_cast<int>(std::min(a.row, b.row));
    n.range.row2 = static_cast<int>(std::max(a.row, b.row));
    n.range.column1 = static_cast<int>(std::min(a.column, b.column));
    n.range.column2 = static_cast<int>(std::max(a.column, b.column));
    return n;
}

bool defined_reference(const Workbook& book, int sheet, std::string_view name, Node& out)
{
    const DefinedName* d = book.find_name(name, sheet);
    if (d == nullptr || !plain_absolute_reference(d->text, d->grammar))
        return false;
    // A plain reference names no other name, so this reads no further names.
    ExpressionParse p = parse_expression(d->text, d->grammar, book, d->sheet < 0 ? sheet : d->sheet);
    if (!p.ok || p.root.kind != NodeKind::Reference)
        return false;
    out = std::move(p.root);
    return true;
}

} // namespace xlhost
