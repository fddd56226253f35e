#include "tools/xlhost/ods_matrix.h"

#include <orcus/sax_parser.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

namespace xlhost {

namespace {

// Position of each table cell, and the matrix spans of those that have them.
class MatrixSpans {
public:
    struct Span {
        int sheet;
        long row, column, rows, columns;
    };
    std::vector<Span> spans;

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void characters(std::string_view, bool) {}
    void attribute(std::string_view, std::string_view) {}
    void attribute(const orcus::sax::parser_attribute& a)
    {
        if (a.ns == "table")
            attributes_[std::string(a.name)] = number(a.value);
    }
    void start_element(const orcus::sax::parser_element& e)
    {
        if (e.ns == "table" && e.name == "table") {
            ++sheet_;
            row_ = 0;
        } else if (e.ns == "table" && e.name == "table-row") {
            row_repeat_ = get("number-rows-repeated", 1);
            column_ = 0;
        } else if (e.ns == "table" && (e.name == "table-cell" || e.name == "covered-table-cell")) {
            long rows = get("number-matrix-rows-spanned", 0), columns = get("number-matrix-columns-spanned", 0);
            if (rows > 0 && columns > 0 && sheet_ >= 0)
                spans.push_back({sheet_, row_, column_, rows, columns});
            column_ += get("number-columns-repeated", 1);
        }
        attributes_.clear();
    }
    void end_element(const orcus::sax::parser_element& e)
    {
        if (e.ns == "table" && e.name == "table-row")
            row_ += row_repeat_;
        attributes_.clear();
    }

private:
    static long number(std::string_view text)
    {
        long n = 0;
        for (char c : text)
            n = (c >= '0' && c <= '9' && n < 100000000) ? n * 10 + (c - '0') : n;
        return n;
    }
    long get(const std::string& name, long fallback) const
    {
        auto it = attributes_.find(name);
        return it == attributes_.end() || it->second < 1 ? fallback : it->second;
    }
    std::map<std::string, long> attributes_;
    int sheet_ = -1;
    long row_ = 0, column_ = 0, row_repeat_ = 1;
};

} // namespace

void apply_matrix_spans(std::string_view content, Workbook& book)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> xml;
    if (!archive.read_file_entry("content.xml", xml))
        throw std::runtime_error("no content.xml");
    MatrixSpans handler;
    orcus::sax_parser<MatrixSpans> parser(reinterpret_cast<const char*>(xml.data()), xml.size(), handler);
    parser.parse();
    for (const MatrixSpans::Span& s : handler.spans) {
        if (static_cast<std::size_t>(s.sheet) >= book.sheets.size())
            continue;
        auto& cells = book.sheets[static_cast<std::size_t>(s.sheet)].cells;
        auto it = cells.find({static_cast<int>(std::min<long>(s.row, kMaxRows)), static_cast<int>(std::min<long>(s.column, kMaxColumns))});
        if (it == cells.end() || !it->second.is_formula)
            continue;
        it->second.array_entered = true;
        it->second.block_rows = static_cast<int>(std::min<long>(s.rows, kMaxRows));
        it->second.block_columns = static_cast<int>(std::min<long>(s.columns, kMaxColumns));
    }
}


} // namespace xlhost
