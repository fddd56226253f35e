#include "tools/xlhost/formula/lex.h"

#include "tools/xlhost/formula/expression.h"

#include <charconv>
#include <cmath>

namespace xlhost {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool is_word(char c)
{
    return is_letter(c) || is_digit(c) || c == '_' || c == '.' || c == '\\' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// A quoted name from `at` (at the opening quote); '' is one quote.
bool quoted(std::string_view text, std::size_t& at, std::string& name)
{
    name.clear();
    for (++at; at < text.size(); ++at) {
        if (text[at] != '\'') {
            name += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '\'') {
            name += '\'';
            ++at;
        } else {
            ++at;
            return true;
        }
    }
    return false;
}

} // namespace

bool Lexer::cell(std::string_view text, CellPart& part) const
{
    if (text == "#REF!") {
        part.valid = false;
        return true;
    }
    std::size_t i = 0;
    part.column_absolute = i < text.size() && text[i] == '$';
    if (part.column_absolute)
        ++i;
    std::size_t letters = i;
    long column = 0;
    while (i < text.size() && is_letter(text[i]) && i - letters < 3)
        column = column * 26 + (upper(text[i++]) - 'A' + 1);
    if (i == letters)
        return false;
    part.row_absolute = i < text.size() && text[i] == '$';
    if (part.row_absolute)
        ++i;
    std::size_t digits = i;
    long row = 0;
    while (i < text.size() && is_digit(text[i]) && i - digits < 7)
        row = row * 10 + (text[i++] - '0');
    if (i == digits || i != text.size())
        return false;
    part.row = row - 1;
    part.column = column - 1;
    part.valid = row >= 1 && row <= kMaxRows && column <= kMaxColumns;
    return true;
}

bool Lexer::blank(char c) const
{
    return c == ' ' || c == '\t' || (source_ == Source::Workbook && (c == '\r' || c == '\n'));
}

// digits [. digits] [e [+-] digits], or . digits [e ...]; the sign is an
// operator. A letter, '.' or '_' right after it makes it malformed, as does
// '!' in Excel's grammar, where 2024!A1 would name a sheet.
Token Lexer::number(std::size_t begin)
{
    Token t;
    t.begin = begin;
    std::size_t at = begin;
    auto digits = [&] {
        while (at < text_.size() && is_digit(text_[at]))
            ++at;
    };
    auto bad = [&](std::size_t fault, const char* why) {
        t.kind = TokenKind::Bad;
        t.malformed_number = true;
        t.fault = fault;
        t.text = why;
        at_ = at;
        return t;
    };
    digits();
    if (at < text_.size() && text_[at] == '.') {
        ++at;
        digits();
    }
    if (at < text_.size() && (text_[at] == 'e' || text_[at] == 'E')) {
        ++at;
        if (at < text_.size() && (text_[at] == '+' || text_[at] == '-'))
            ++at;
        if (at >= text_.size() || !is_digit(text_[at]))
            return bad(at, "expected digits in the exponent");
        digits();
    }
    char after = at < text_.size() ? text_[at] : '\0';
    if (is_letter(after) || after == '.' || after == '_' ||
        (after == '!' && grammar_ == Grammar::Excel && source_ == Source::Workbook))
        return bad(at, "malformed number");
    auto [end, ec] = std::from_chars(text_.data() + begin, text_.data() + at, t.number);
    if (ec != std::errc() || end != text_.data() + at || !std::isfinite(t.number))
        return bad(begin, "number out of range");
    t.kind = TokenKind::Number;
    at_ = at;
    return t;
}

Token Lexer::excel_word(std::size_t begin)
{
    Token t;
    t.begin = begin;
    std::size_t at = begin;
    std::string word;
    bool sheet_quoted = text_[at] == '\'';
    if (sheet_quoted) {
        if (!quoted(text_, at, word) || at >= text_.size() || text_[at] != '!') {
            t.kind = TokenKind::Bad;
            at_ = at;
            return t;
        }
    } else {
        while (at < text_.size() && is_word(text_[at]))
            word += text_[at++];
    }
    if (at < text_.size() && text_[at] == '!') {
        t.has_sheet = true;
        t.sheet = word;
        std::size_t cell_begin = ++at;
        if (text_.substr(at, 5) == "#REF!")
            at += 5;
        else
            while (at < text_.size() && is_word(text_[at]))
                ++at;
        t.cell_begin = cell_begin;
        t.kind = cell(text_.substr(cell_begin, at - cell_begin), t.first) ? TokenKind::Reference : TokenKind::Bad;
    } else if (at < text_.size() && text_[at] == '(') {
        t.kind = TokenKind::Name;
        t.text = word;
    } else if (cell(word, t.first)) {
        t.kind = TokenKind::Reference;
        t.cell_begin = begin;
    } else {
        t.kind = word.find('$') == std::string::npos ? TokenKind::Name : TokenKind::Bad;
        t.text = word;
    }
    at_ = at;
    t.end = at;
    return t;
}

Token Lexer::open_formula_reference(std::size_t begin)
{
    Token t;
    t.kind = TokenKind::Bad;
    t.begin = begin;
    std::size_t at = begin + 1;
    for (int part = 0; part < 2; ++part) {
        bool& has_sheet = part == 0 ? t.has_sheet : t.has_sheet2;
        std::string& sheet = part == 0 ? t.sheet : t.sheet2;
        CellPart& cell_part = part == 0 ? t.first : t.second;
        if (at < text_.size() && text_[at] == '$')
            ++at;
        if (at < text_.size() && text_[at] == '\'') {
            if (!quoted(text_, at, sheet))
                return at_ = at, t;
            has_sheet = true;
        } else {
            std::size_t start = at;
            while (at < text_.size() && text_[at] != '.' && text_[at] != ']' && text_[at] != ':')
                ++at;
            sheet = std::string(text_.substr(start, at - start));
            has_sheet = !sheet.empty();
        }
        if (at >= text_.size() || text_[at] != '.')
            return at_ = at, t;
        std::size_t start = ++at;
        while (at < text_.size() && text_[at] != ']' && text_[at] != ':')
            ++at;
        if (!cell(text_.substr(start, at - start), cell_part))
            return at_ = at, t;
        if (at < text_.size() && text_[at] == ':' && part == 0) {
            t.is_range = true;
            ++at;
            continue;
        }
        break;
    }
    if (at >= text_.size() || text_[at] != ']')
        return at_ = at, t;
    at_ = at + 1;
    t.end = at_;
    t.kind = TokenKind::Reference;
    return t;
}

Token Lexer::next()
{
    while (at_ < text_.size() && blank(text_[at_]))
        ++at_;
    Token t;
    t.begin = at_;
    if (at_ >= text_.size()) {
        t.end = at_;
        return t;
    }
    char c = text_[at_];
    if (is_digit(c) || (c == '.' && at_ + 1 < text_.size() && is_digit(text_[at_ + 1]))) {
        t = number(at_);
    } else if (c == '"') {
        std::size_t at = at_ + 1;
        t.kind = TokenKind::Bad;
        for (; at < text_.size(); ++at) {
            if (text_[at] != '"') {
                t.text += text_[at];
            } else if (at + 1 < text_.size() && text_[at + 1] == '"') {
                t.text += '"';
                ++at;
            } else {
                t.kind = TokenKind::Text;
                ++at;
                break;
            }
        }
        at_ = at;
    } else if (c == '#') {
        t.kind = TokenKind::Bad;
        for (const char* name : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}) {
            std::string_view n(name), here = text_.substr(at_, n.size());
            bool same = here.size() == n.size();
            for (std::size_t k = 0; same && k < n.size(); ++k)
                same = upper(here[k]) == n[k];
            if (same) {
                t.kind = TokenKind::Error;
                t.text = n;
                at_ += n.size();
                break;
            }
        }
        if (t.kind == TokenKind::Bad)
            ++at_;
    } else if (grammar_ == Grammar::OpenFormula && c == '[') {
        t = open_formula_reference(at_);
    } else if (grammar_ == Grammar::Excel && (is_word(c) || c == '\'')) {
        t = excel_word(at_);
    } else if (grammar_ == Grammar::OpenFormula && (is_letter(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80)) {
        std::size_t at = at_;
        while (at < text_.size() && is_word(text_[at]) && text_[at] != '$')
            t.text += text_[at++];
        t.kind = TokenKind::Name;
        at_ = at;
    } else {
        t.kind = TokenKind::Punct;
        std::string_view two = text_.substr(at_, 2);
        if (two == "<=" || two == ">=" || two == "<>")
            t.text = std::string(two);
        else if (std::string_view("(){},;|:+-*/^&%=<>").find(c) != std::string_view::npos)
            t.text = std::string(1, c);
        else
            t.kind = TokenKind::Bad;
        at_ += t.kind == TokenKind::Bad ? 1 : t.text.size();
    }
    t.end = at_;
    return t;
}

std::string cell_part_text(const CellPart& part)
{
    if (!part.valid)
        return "#REF!";
    std::string text(part.column_absolute ? "$" : "");
    text.append(column_name(static_cast<int>(part.column))).append(part.row_absolute ? "$" : "");
    return text.append(std::to_string(part.row + 1));
}

std::string shift_formula(std::string_view text, int rows, int columns)
{
    Lexer lexer(text, Grammar::Excel);
    std::string out;
    std::size_t copied = 0;
    for (Token t = lexer.next(); t.kind != TokenKind::End; t = lexer.next()) {
        if (t.kind != TokenKind::Reference || !t.first.valid)
            continue;
        CellPart part = t.first;
        if (!part.row_absolute)
            part.row += rows;
        if (!part.column_absolute)
            part.column += columns;
        part.valid = part.row >= 0 && part.row < kMaxRows && part.column >= 0 && part.column < kMaxColumns;
        out.append(text.substr(copied, t.cell_begin - copied));
        out += cell_part_text(part);
        copied = t.end;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace xlhost
