// Writes CalcAddIns.xcu, the configuration that names the five functions in
// Calc's function wizard, from the add-in's own registration table: the
// same help texts, argument names and argument help as Excel shows.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "addin/function_table.h"

namespace {

std::string utf8(const pellux::XChar* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        const char16_t c = *text;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string xml(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<std::string> split(const std::string& list)
{
    std::vector<std::string> out(1);
    for (char c : list) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string prop(const char* name, const std::string& value, bool localised, const std::string& indent)
{
    return indent + "<prop oor:name=\"" + name + "\"><value" + (localised ? " xml:lang=\"en-US\"" : "") +
           ">" + xml(value) + "</value></prop>\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_config OUT.xcu\n";
        return 2;
    }
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:component-data xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" oor:name=\"CalcAddIns\" "
        "oor:package=\"org.openoffice.Office\">\n"
        " <node oor:name=\"AddInInfo\">\n"
        "  <node oor:name=\"_xll\" oor:op=\"replace\">\n"
        "   <node oor:name=\"AddInFunctions\">\n";
    for (int i = 0; i < pellux::kFunctionCount; ++i) {
        const pellux::FunctionRow& row = pellux::kFunctionTable.rows[i];
        const auto& help = pellux::kFunctionTable.help[i];
        const std::string name = utf8(row.function_text);
        x += "    <node oor:name=\"" + name + "\" oor:op=\"replace\">\n";
        x += prop("DisplayName", name, true, "     ");
        x += prop("Description", utf8(help[0]), true, "     ");
        x += prop("Category", "Add-In", false, "     ");
        x += prop("CompatibilityName", name, true, "     ");
        x += "     <node oor:name=\"Parameters\">\n";
        const std::vector<std::string> arguments = split(utf8(row.argument_text));
        for (std::size_t a = 0; a < arguments.size(); ++a) {
            x += "      <node oor:name=\"" + arguments[a] + "\" oor:op=\"replace\">\n";
            x += prop("DisplayName", arguments[a], true, "       ");
            x += prop("Description", utf8(help[a + 1]), true, "       ");
            x += "      </node>\n";
        }
        x += "     </node>\n    </node>\n";
    }
    x += "   </node>\n  </node>\n </node>\n</oor:component-data>\n";
    std::ofstream out(argv[1], std::ios::binary);
    out << x;
    return out ? 0 : 1;
}
