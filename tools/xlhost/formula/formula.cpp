#include "tools/xlhost/formula/formula.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace xlhost {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    ParseResult run()
    {
        ParseResult result;
        skip_blanks();
        if (peek() == '=')
            ++at_;
        skip_blanks();
        if (!name(result.call.name) || !expect('(', "'(' after the function name"))
            return failure();
        skip_blanks();
        if (peek() != ')') {
            for (;;) {
                Operand operand;
                if (!argument(operand))
                    return failure();
                result.call.arguments.push_back(std::move(operand));
                skip_blanks();
                if (peek() != ',')
                    break;
                ++at_;
            }
        }
        if (!expect(')', "',' or ')' after an argument"))
            return failure();
        skip_blanks();
        if (at_ != text_.size()) {
            fail("unexpected text after the closing ')'");
            return failure();
        }
        result.ok = true;
        return result;
    }

private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool at_end() const { return at_ >= text_.size(); }

    void skip_blanks()
    {
        while (!at_end() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
    }

    bool fail(std::string message)
    {
        if (error_.empty()) {
            error_ = std::move(message);
            error_at_ = at_;
        }
        return false;
    }

    ParseResult failure() const
    {
        ParseResult result;
        result.error = error_;
        result.position = error_at_;
        return result;
    }

    bool expect(char c, const char* what)
    {
        skip_blanks();
        if (peek() != c)
            return fail(std::string("expected ") + what);
        ++at_;
        return true;
    }

    bool name(std::string& out)
    {
        char c = peek();
        if (!(is_letter(c) || c == '_'))
            return fail("expected a function name");
        std::size_t start = at_;
        while (!at_end() && (is_letter(text_[at_]) || is_digit(text_[at_]) || text_[at_] == '_' ||
                             text_[at_] == '.'))
            ++at_;
        out.assign(text_.substr(start, at_ - start));
        return true;
    }

    bool argument(Operand& out)
    {
        skip_blanks();
        if (peek() == '{')
            return array(out);
        if (peek() == ',' || peek() == ')')
            return fail("empty argument");
        out.is_array = false;
        out.rows = out.columns = 1;
        out.cells.assign(1, 0.0);
        return number(out.cells[0]);
    }

    // {a,b;c,d}: ',' separates columns, ';' rows; every row the same length.
    bool array(Operand& out)
    {
        std::size_t open = at_;
        ++at_;
        out.is_array = true;
        out.cells.clear();
        int rows = 0;
        int columns = 0;
        for (;;) {
            int in_row = 0;
            std::size_t row_start = at_;
            for (;;) {
                skip_blanks();
                double value = 0.0;
                if (!number(value))
                    return false;
                out.cells.push_back(value);
                ++in_row;
                skip_blanks();
                if (peek() != ',')
                    break;
                ++at_;
            }
            ++rows;
            if (rows == 1) {
                columns = in_row;
            } else if (in_row != columns) {
                at_ = row_start;
                return fail("array row " + std::to_string(rows) + " has " + std::to_string(in_row) +
                            " values, the first row has " + std::to_string(columns));
            }
            if (peek() == ';') {
                ++at_;
                continue;
            }
            if (peek() == '}') {
                ++at_;
                break;
            }
            if (at_end() || peek() == ')') {
                at_ = open;
                return fail("unbalanced '{': missing '}'");
            }
            return fail("expected ',', ';' or '}' in an array constant");
        }
        out.rows = rows;
        out.columns = columns;
        return true;
    }

    // [+-] digits [. digits] [e [+-] digits], or [+-] . digits [e ...]
    bool number(double& out)
    {
        std::size_t start = at_;
        bool negative = false;
        if (peek() == '+' || peek() == '-') {
            negative = peek() == '-';
            ++at_;
        }
        std::size_t body = at_;
        std::size_t digits = 0;
        while (is_digit(peek())) {
            ++at_;
            ++digits;
        }
        if (peek() == '.') {
            ++at_;
            while (is_digit(peek())) {
                ++at_;
                ++digits;
            }
        }
        if (digits == 0) {
            at_ = start;
            if (peek() == '{')
                return fail("array constants cannot be nested");
            return fail("expected a number");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-')
                ++at_;
            if (!is_digit(peek()))
                return fail("expected digits in the exponent");
            while (is_digit(peek()))
                ++at_;
        }
        if (is_letter(peek()) || peek() == '.' || peek() == '_')
            return fail("malformed number");
        double value = 0.0;
        const char* first = text_.data() + body;
        const char* last = text_.data() + at_;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last || !std::isfinite(value)) {
            at_ = start;
            return fail("number out of range");
        }
        out = negative ? -value : value;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string error_;
    std::size_t error_at_ = 0;
};

} // namespace

ParseResult parse_formula(std::string_view text) { return Parser(text).run(); }

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace xlhost
