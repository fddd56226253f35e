#include "tools/xlhost/read/xlsx_read.h"

#include "tools/xlhost/read/read_values.h"
#include "tools/xlhost/read/xlsx_sheet.h"
#include "tools/xlhost/package/xml_read.h"

namespace xlhost {

namespace {

struct Relationship {
    std::string id, type, target;
    bool external = false;
};

class RelsHandler : public XmlHandler {
public:
    std::vector<Relationship> list;
    void start_element(const orcus::sax::parser_element& e)
    {
        if (e.name == "Relationship")
            list.push_back({attribute_or("Id", ""), attribute_or("Type", ""), attribute_or("Target", ""),
                            attribute_or("TargetMode", "") == "External"});
        attributes_.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
};

// The type's last segment: "worksheet" for both the transitional and the
// Strict relationship type.
std::string_view kind(std::string_view type)
{
    std::size_t slash = type.rfind('/');
    return slash == std::string_view::npos ? type : type.substr(slash + 1);
}

struct SheetEntry {
    std::string name, id;
};

class WorkbookHandler : public XmlHandler {
public:
    std::vector<SheetEntry> sheets;
    std::vector<DefinedName> names;
    bool date1904 = false;

    void start_element(const orcus::sax::parser_element& e)
    {
        if (e.name == "workbookPr") {
            std::string v = attribute_or("date1904", "0");
            date1904 = v == "1" || v == "true";
        } else if (e.name == "sheet") {
            const std::string* id = nullptr;
            for (const Attribute& a : attributes_)
                if (a.name == "id" && !a.ns.empty())
                    id = &a.value;
            sheets.push_back({attribute_or("name", ""), id ? *id : std::string()});
        } else if (e.name == "definedName") {
            in_name_ = true;
            DefinedName n;
            n.name = attribute_or("name", "");
            n.grammar = Grammar::Excel;
            long scope = -1;
            if (const std::string* local = attribute_value("localSheetId"))
                if (!read_count(*local, 65535, scope))
                    throw ReadError("workbook: a defined name's sheet \"" + *local + "\"");
            n.sheet = static_cast<int>(scope);
            names.push_back(std::move(n));
        }
        attributes_.clear();
    }
    void end_element(const orcus::sax::parser_element& e)
    {
        if (e.name == "definedName")
            in_name_ = false;
    }
    void characters(std::string_view s, bool)
    {
        if (in_name_)
            names.back().text += s;
    }

private:
    bool in_name_ = false;
};

class StringsHandler : public XmlHandler {
public:
    std::vector<std::string> strings;
    void start_element(const orcus::sax::parser_element& e)
    {
        if (e.name == "si")
            text_.clear(), in_item_ = true;
        else if (e.name == "rPh")
            ++phonetic_;
        else if (e.name == "t" && in_item_ && phonetic_ == 0)
            in_text_ = true;
        attributes_.clear();
    }
    void end_element(const orcus::sax::parser_element& e)
    {
        if (e.name == "si") {
            strings.push_back(ooxml_text(text_));
            in_item_ = false;
        } else if (e.name == "rPh") {
            --phonetic_;
        } else if (e.name == "t") {
            in_text_ = false;
        }
    }
    void characters(std::string_view s, bool)
    {
        if (in_text_)
            text_ += s;
    }

private:
    std::string text_;
    bool in_item_ = false, in_text_ = false;
    int phonetic_ = 0;
};

std::string read_part(Package& package, const std::string& name)
{
    std::string bytes, problem;
    if (!package.read(name, bytes, problem))
        throw ReadError(problem);
    return bytes;
}

// The relationships of a part, from the _rels folder beside it.
std::vector<Relationship> relationships(Package& package, const std::string& part)
{
    std::size_t slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    std::string name = folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
    if (!package.has(name))
        return {};
    RelsHandler handler;
    parse_xml(read_part(package, name), handler, name);
    return handler.list;
}

} // namespace

void read_xlsx(Package& package, Workbook& book)
{
    std::string main;
    for (const Relationship& r : relationships(package, ""))
        if (kind(r.type) == "officeDocument" && !r.external)
            main = resolve_part("", r.target);
    if (main.empty())
        throw ReadError(package.has("_rels/.rels") ? "the package names no workbook part"
                                                   : "the part \"_rels/.rels\" is missing");
    WorkbookHandler workbook;
    parse_xml(read_part(package, main), workbook, main);
    std::vector<Relationship> rels = relationships(package, main);

    std::vector<std::string> strings;
    for (const Relationship& r : rels)
        if (kind(r.type) == "sharedStrings") {
            std::string part = resolve_part(main, r.target);
            StringsHandler handler;
            parse_xml(read_part(package, part), handler, part);
            strings = std::move(handler.strings);
        }

    if (workbook.sheets.empty())
        throw ReadError("the workbook part \"" + main + "\" lists no sheet");
    WorkbookSize size;
    XlsxContext context{&strings, workbook.date1904, &size};
    book.sheets.reserve(workbook.sheets.size());
    for (const SheetEntry& s : workbook.sheets) {
        if (s.name.empty() || book.find_sheet(s.name) >= 0)
            throw ReadError("the workbook lists a sheet without a name, or one name twice");
        const Relationship* rel = nullptr;
        for (const Relationship& r : rels)
            if (r.id == s.id)
                rel = &r;
        if (rel == nullptr)
            throw ReadError("sheet \"" + s.name + "\": the workbook lists it but the package has no part for it");
        book.sheets.push_back(Sheet{s.name, {}});
        std::string_view type = kind(rel->type);
        if (type == "chartsheet")
            continue; // a chart: no cells
        if (type != "worksheet")
            throw ReadError("sheet \"" + s.name + "\": a " + std::string(type) + ", which xlhost does not read");
        std::string part = resolve_part(main, rel->target);
        if (!package.has(part))
            throw ReadError("sheet \"" + s.name + "\": the workbook lists it but the part \"" + part + "\" is missing");
        read_xlsx_sheet(read_part(package, part), part, context, book.sheets.back());
    }
    for (DefinedName& n : workbook.names) {
        if (n.sheet >= static_cast<int>(book.sheets.size()))
            throw ReadError("the defined name \"" + n.name + "\" belongs to a sheet that does not exist");
        book.names.push_back(std::move(n));
    }
}

} // namespace xlhost
