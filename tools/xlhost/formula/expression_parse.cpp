#include "tools/xlhost/formula/expression.h"

#include "host/xloper.h"
#include "tools/xlhost/formula/expression_lex.h"

#include <algorithm>
#include <regex>
#include <utility>

namespace xlhost {

namespace {

// Nesting of parentheses, calls and unary operators; chains of binary
// operators are evaluated without recursion.
constexpr int kMaxDepth = 100;
constexpr std::size_t kMaxFormulaLength = 8192;

Node constant(CellValue value)
{
    Node n;
    n.value = std::move(value);
    return n;
}

Node missing()
{
    Node n;
    n.kind = NodeKind::Missing;
    return n;
}

// A reference whose rows and columns are all absolute: Data!$A$1:$B$3,
// [$Data.$A$1:.$B$3]. Relative names depend on the cell that uses them.
bool plain_absolute_reference(std::string_view text, Grammar grammar)
{
    static const std::regex excel(R"(^=?(('([^']|'')+'|[^'!:\[\]]+)!)?\$[A-Za-z]{1,3}\$[0-9]{1,7}(:\$[A-Za-z]{1,3}\$[0-9]{1,7})?$)");
    static const std::regex open(R"(^=?\[(\$?('([^']|'')+'|[^'.:\[\]]+))?\.\$[A-Za-z]{1,3}\$[0-9]{1,7}(:(\$?('([^']|'')+'|[^'.:\[\]]+))?\.\$[A-Za-z]{1,3}\$[0-9]{1,7})?\]$)");
    std::string t(text);
    return std::regex_match(t, grammar == Grammar::Excel ? excel : open);
}

class Parser {
public:
    Parser(std::string_view text, Grammar grammar, const Workbook& book, int sheet, bool names = true)
        : lexer_(text, grammar), grammar_(grammar), book_(book), sheet_(sheet), names_(names)
    {
    }

    ExpressionParse run()
    {
        ExpressionParse result;
        advance();
        if (punct("="))
            advance();
        if (tok_.kind == TokenKind::End)
            fail("empty formula");
        else
            result.root = comparison();
        if (error_.empty() && tok_.kind != TokenKind::End)
            fail("unexpected text");
        result.ok = error_.empty();
        result.error = error_;
        result.position = error_at_;
        return result;
    }

private:
    void advance() { tok_ = lexer_.next(); }
    bool punct(std::string_view p) const { return tok_.kind == TokenKind::Punct && tok_.text == p; }
    std::string_view argument_separator() const { return grammar_ == Grammar::Excel ? "," : ";"; }
    std::string_view column_separator() const { return grammar_ == Grammar::Excel ? "," : ";"; }
    std::string_view row_separator() const { return grammar_ == Grammar::Excel ? ";" : "|"; }

    Node fail(std::string message)
    {
        if (error_.empty()) {
            error_ = std::move(message);
            error_at_ = tok_.begin;
        }
        tok_.kind = TokenKind::End;
        return constant(error_value(pellux::xlerrName));
    }

    Node binary(char op, Node left, Node right)
    {
        Node n;
        n.kind = NodeKind::Binary;
        n.op = op;
        n.children.push_back(std::move(left));
        n.children.push_back(std::move(right));
        return n;
    }

    Node comparison()
    {
        Node left = concatenation();
        for (;;) {
            char op = punct("=") ? '=' : punct("<") ? '<' : punct(">") ? '>' : punct("<=") ? 'L'
                    : punct(">=") ? 'G' : punct("<>") ? 'N' : 0;
            if (op == 0)
                return left;
            advance();
            left = binary(op, std::move(left), concatenation());
        }
    }

    Node concatenation()
    {
        Node left = additive();
        while (punct("&")) {
            advance();
            left = binary('&', std::move(left), additive());
        }
        return left;
    }

    Node additive()
    {
        Node left = multiplicative();
        while (punct("+") || punct("-")) {
            char op = tok_.text[0];
            advance();
            left = binary(op, std::move(left), multiplicative());
        }
        return left;
    }

    Node multiplicative()
    {
        Node left = power();
        while (punct("*") || punct("/")) {
            char op = tok_.text[0];
            advance();
            left = binary(op, std::move(left), power());
        }
        return left;
    }

    Node power()
    {
        Node left = percent();
        while (punct("^")) {
            advance();
            left = binary('^', std::move(left), percent());
        }
        return left;
    }

    Node percent()
    {
        Node operand = unary();
        while (punct("%")) {
            if (++depth_ > kMaxDepth)
                return fail("formula nested too deeply");
            advance();
            Node n;
            n.kind = NodeKind::Percent;
            n.children.push_back(std::move(operand));
            operand = std::move(n);
        }
        return operand;
    }

    // Unary minus binds tighter than '^': -2^2 is 4.
    Node unary()
    {
        if (++depth_ > kMaxDepth)
            return fail("formula nested too deeply");
        Node result;
        if (punct("-") || punct("+")) {
            Node n;
            n.kind = NodeKind::Negate;
            n.op = tok_.text[0];
            advance();
            n.children.push_back(unary());
            result = std::move(n);
        } else {
            result = primary();
        }
        --depth_;
        return result;
    }

    // A reference token as a node: #REF! when a sheet is unknown or a cell off the grid.
    Node reference(const Token& first, const Token* second)
    {
        int sheet = first.has_sheet ? book_.find_sheet(first.sheet) : sheet_;
        CellPart a = first.first, b = first.is_range ? first.second : first.first;
        bool valid = sheet >= 0 && a.valid && b.valid;
        if (first.has_sheet2 && book_.find_sheet(first.sheet2) != sheet)
            valid = false;
        if (second != nullptr) {
            b = second->first;
            valid = valid && b.valid && !second->is_range &&
                    (!second->has_sheet || book_.find_sheet(second->sheet) == sheet);
        }
        if (!valid)
            return constant(error_value(pellux::xlerrRef));
        Node n;
        n.kind = NodeKind::Reference;
        n.range.sheet = sheet;
        n.range.row1 = static_cast<int>(std::min(a.row, b.row));
        n.range.row2 = static_cast<int>(std::max(a.row, b.row));
        n.range.column1 = static_cast<int>(std::min(a.column, b.column));
        n.range.column2 = static_cast<int>(std::max(a.column, b.column));
        return n;
    }

    Node primary()
    {
        Token t = tok_;
        switch (t.kind) {
        case TokenKind::Number: advance(); return constant(number_value(t.number));
        case TokenKind::Text: advance(); return constant(text_value(t.text));
        case TokenKind::Error: {
            std::int32_t code = 0;
            error_code(t.text, code);
            advance();
            return constant(error_value(code));
        }
        case TokenKind::Reference: {
            advance();
            if (!punct(":"))
                return reference(t, nullptr);
            advance();
            Token second = tok_;
            if (second.kind != TokenKind::Reference)
                return fail("the range operator ':' joins two cell references");
            advance();
            return reference(t, &second);
        }
        case TokenKind::Name: return name(t);
        case TokenKind::Punct:
            if (punct("(")) {
                advance();
                Node inner = comparison();
                if (!punct(")"))
                    return fail("')' expected");
                advance();
                return inner;
            }
            if (punct("{"))
                return array();
            return fail("unexpected '" + t.text + "'");
        case TokenKind::End: return fail("formula ends early");
        case TokenKind::Bad: break;
        }
        return fail("cannot read this");
    }

    Node name(const Token& t)
    {
        advance();
        if (!punct("(")) {
            if ((t.text == "TRUE" || t.text == "FALSE" || t.text == "true" ||
                                               t.text == "false" || t.text == "True" || t.text == "False"))
                return constant(boolean_value(t.text[0] == 'T' || t.text[0] == 't'));
            if (const DefinedName* d = names_ ? book_.find_name(t.text, sheet_) : nullptr)
                if (plain_absolute_reference(d->text, d->grammar)) {
                    ExpressionParse p = Parser(d->text, d->grammar, book_, d->sheet < 0 ? sheet_ : d->sheet, false).run();
                    if (p.ok && p.root.kind == NodeKind::Reference)
                        return std::move(p.root);
                }
            Node n; // a name that is no plain reference: #NAME?
            n.kind = NodeKind::Call;
            n.op = 'n';
            n.name = t.text;
            return n;
        }
        advance();
        Node call;
        call.kind = NodeKind::Call;
        call.name = t.text;
        if (punct(")")) {
            advance();
            return call;
        }
        for (;;) {
            if (punct(argument_separator()) || punct(")"))
                call.children.push_back(missing());
            else
                call.children.push_back(comparison());
            if (!punct(argument_separator()))
                break;
            advance();
        }
        if (!punct(")"))
            return fail(std::string("'").append(argument_separator()).append("' or ')' expected"));
        advance();
        return call;
    }

    Node array_element()
    {
        bool negative = false;
        while (punct("-") || punct("+")) {
            negative = negative != (tok_.text[0] == '-');
            advance();
        }
        Token t = tok_;
        advance();
        if (t.kind == TokenKind::Number)
            return constant(number_value(negative ? -t.number : t.number));
        if (!negative && t.kind == TokenKind::Text)
            return constant(text_value(t.text));
        if (!negative && t.kind == TokenKind::Error) {
            std::int32_t code = 0;
            error_code(t.text, code);
            return constant(error_value(code));
        }
        if (!negative && t.kind == TokenKind::Name && (t.text == "TRUE" || t.text == "FALSE"))
            return constant(boolean_value(t.text == "TRUE"));
        tok_ = t;
        return fail("an array constant holds numbers, text, TRUE, FALSE or error values");
    }

    Node array()
    {
        advance();
        Node n;
        n.kind = NodeKind::Array;
        int columns = 0;
        for (;;) {
            n.children.push_back(array_element());
            ++columns;
            if (punct(column_separator())) {
                advance();
                continue;
            }
            if (n.rows == 0)
                n.columns = columns;
            else if (columns != n.columns)
                return fail("array rows of different lengths");
            ++n.rows;
            columns = 0;
            if (punct(row_separator())) {
                advance();
                continue;
            }
            break;
        }
        if (!punct("}"))
            return fail("'}' expected");
        advance();
        return n;
    }

    Lexer lexer_;
    Grammar grammar_;
    const Workbook& book_;
    int sheet_;
    bool names_;
    Token tok_;
    int depth_ = 0;
    std::string error_;
    std::size_t error_at_ = 0;
};

} // namespace

ExpressionParse parse_expression(std::string_view text, Grammar grammar, const Workbook& book, int sheet)
{
    if (grammar == Grammar::OpenFormula && text.substr(0, 3) == "of:")
        text.remove_prefix(3);
    if (text.size() > kMaxFormulaLength) {
        ExpressionParse refused;
        refused.error = "longer than Excel's 8,192 characters";
        return refused;
    }
    return Parser(text, grammar, book, sheet).run();
}

} // namespace xlhost
