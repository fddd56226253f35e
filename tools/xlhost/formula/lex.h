// Tokens of formulas: workbook formulas in both grammars, and the command
// line's, which are Excel's grammar on one line.
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace xlhost {

enum class TokenKind : std::uint8_t {
    End, Number, Text, Error, Name, Reference, Punct, Bad
};

// One end of a reference as written.
struct CellPart {
    long row = 0, column = 0;  // zero-based; may lie off the grid
    bool row_absolute = false, column_absolute = false;
    bool valid = true;         // false: #REF! in the reference
};

// Command-line formulas are one line, so line breaks are no blanks there,
// and name no sheet, so a number may stand before '!'.
enum class Source : std::uint8_t { Workbook, CommandLine };

struct Token {
    TokenKind kind = TokenKind::End;
    std::size_t begin = 0, end = 0;
    double number = 0;
    std::string text;           // Text contents, Error or Name as written, Punct
    // Reference: sheet names (empty: none), one or two cell parts.
    std::string sheet, sheet2;
    bool has_sheet = false, has_sheet2 = false;
    CellPart first, second;
    bool is_range = false;      // OpenFormula [.A1:.B2] carries both ends
    std::size_t cell_begin = 0; // where the cell part starts (Excel grammar)
    // Bad: a number that cannot be read; why in text, where in fault.
    bool malformed_number = false;
    std::size_t fault = 0;
};

class Lexer {
public:
    Lexer(std::string_view text, Grammar grammar, Source source = Source::Workbook)
        : text_(text), grammar_(grammar), source_(source)
    {
    }
    Token next();
    std::size_t at() const { return at_; }
    std::string_view text() const { return text_; }

private:
    bool blank(char c) const;
    Token number(std::size_t begin);
    Token excel_word(std::size_t begin);
    Token open_formula_reference(std::size_t begin);
    bool cell(std::string_view text, CellPart& part) const;
    std::string_view text_;
    Grammar grammar_;
    Source source_;
    std::size_t at_ = 0;
};

// Writes a cell part back in Excel's A1 grammar ($A$1, B3).
std::string cell_part_text(const CellPart& part);

} // namespace xlhost
