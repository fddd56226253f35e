// Parts read as XML with liborcus's SAX parser (entities decoded), into
// handlers that see element and attribute names with their prefixes.
#pragma once

#include <orcus/sax_parser.hpp>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// What a reader throws when a file cannot be read exactly.
struct ReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The do-nothing parts of a SAX handler, and the attributes of the element
// being opened (they arrive before it does).
class XmlHandler {
public:
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void attribute(std::string_view, std::string_view) {}
    void attribute(const orcus::sax::parser_attribute& a)
    {
        attributes_.push_back({std::string(a.ns), std::string(a.name), std::string(a.value)});
    }
    void characters(std::string_view, bool) {}

protected:
    struct Attribute {
        std::string ns, name, value;
    };
    // The attribute of this local name (and prefix, when one is given).
    const std::string* attribute_value(std::string_view name, std::string_view ns = {}) const
    {
        for (const Attribute& a : attributes_)
            if (a.name == name && (ns.empty() || a.ns == ns))
                return &a.value;
        return nullptr;
    }
    std::string attribute_or(std::string_view name, std::string_view fallback, std::string_view ns = {}) const
    {
        const std::string* v = attribute_value(name, ns);
        return v ? *v : std::string(fallback);
    }
    std::vector<Attribute> attributes_; // clear at the end of each start_element
};

// Empty when the part's markup is complete: no control character XML
// forbids, every reference closed by its ";", and every tag, quoted value,
// comment, CDATA section and
// processing instruction closed before the end. liborcus's parser reads
// past the end of a part cut inside a tag; such parts never reach it.
std::string xml_markup_problem(std::string_view xml);

// Parses a part; malformed XML becomes a ReadError naming the part.
template <typename Handler>
void parse_xml(std::string_view xml, Handler& handler, std::string_view part)
{
    std::string problem = xml_markup_problem(xml);
    if (!problem.empty())
        throw ReadError("malformed XML in the part \"" + std::string(part) + "\": " + problem);
    try {
        orcus::sax_parser<Handler> parser(xml.data(), xml.size(), handler);
        parser.parse();
    } catch (const ReadError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw ReadError("malformed XML in the part \"" + std::string(part) + "\": " + e.what());
    }
}

} // namespace xlhost
