#include "tools/xlhost/package/xml_read.h"

#include <cctype>

namespace xlhost {

std::string xml_markup_problem(std::string_view xml)
{
    enum class In { Text, Tag, Quoted, Comment, Cdata, Instruction } in = In::Text;
    char quote = 0;
    for (std::size_t i = 0; i < xml.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(xml[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return "a control character at byte " + std::to_string(i);
        std::string_view rest = xml.substr(i);
        if (c == '&' && in != In::Comment && in != In::Cdata && !(in == In::Instruction && quote == 0)) {
            // A reference: &name; &#10; &#x0A;
            std::size_t j = i + 1;
            while (j < xml.size() && (std::isalnum(static_cast<unsigned char>(xml[j])) || xml[j] == '#' ||
                                      xml[j] == '_' || xml[j] == '.' || xml[j] == '-' || xml[j] == ':'))
                ++j;
            if (j == i + 1 || j >= xml.size() || xml[j] != ';')
                return "a malformed reference at byte " + std::to_string(i);
            i = j;
            continue;
        }
        switch (in) {
        case In::Text:
            if (rest.substr(0, 4) == "<!--")
                in = In::Comment, i += 3;
            else if (rest.substr(0, 9) == "<![CDATA[")
                in = In::Cdata, i += 8;
            else if (rest.substr(0, 2) == "<?")
                in = In::Instruction, quote = 0, i += 1;
            else if (c == '<')
                in = In::Tag;
            break;
        case In::Tag:
            if (c == '"' || c == '\'')
                in = In::Quoted, quote = static_cast<char>(c);
            else if (c == '>')
                in = In::Text;
            break;
        case In::Quoted:
            if (c == static_cast<unsigned char>(quote))
                in = In::Tag, quote = 0;
            break;
        case In::Comment:
            if (rest.substr(0, 3) == "-->")
                in = In::Text, i += 2;
            break;
        case In::Cdata:
            if (rest.substr(0, 3) == "]]>")
                in = In::Text, i += 2;
            break;
        case In::Instruction: // quoted values as in the XML declaration
            if (quote != 0 && c == static_cast<unsigned char>(quote))
                quote = 0;
            else if (quote == 0 && (c == '"' || c == '\''))
                quote = static_cast<char>(c);
            else if (quote == 0 && rest.substr(0, 2) == "?>")
                in = In::Text, i += 1;
            break;
        }
    }
    return in == In::Text ? std::string() : "the part ends inside markup";
}

} // namespace xlhost
