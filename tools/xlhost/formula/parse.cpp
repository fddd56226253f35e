#include "tools/xlhost/formula/expression.h"

#include "host/xloper.h"
#include "tools/xlhost/formula/lex.h"
#include "tools/xlhost/formula/references.h"

#include <utility>

namespace xlhost {

namespace {

// Nesting of parentheses, calls and unary operators; chains of binary
// operators are evaluated without recursion.
constexpr int kMaxDepth = 100;
constexpr std::size_t kMaxFormulaLength = 8192;

// Binary operators, lowest precedence first: comparisons (<= coded L, >= G,
// <> N), then &, + -, * /, ^.
struct BinaryOperator {
    std::string_view text;
    char code;
    int level;
};
constexpr BinaryOperator kBinary[] = {{"=", '=', 0}, {"<", '<', 0}, {">", '>', 0}, {"<=", 'L', 0}, {">=", 'G', 0},
                                      {"<>", 'N', 0}, {"&", '&', 1},  {"+", '+', 2}, {"-", '-', 2},  {"*", '*', 3},
                                      {"/", '/', 3},  {"^", '^', 4}};
constexpr int kBinaryLevels = 5;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

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

class Parser {
public:
    Parser(std::string_view text, Grammar grammar, const Workbook& book, int sheet,
           Source source = Source::Workbook)
        : lexer_(text, grammar, source), grammar_(grammar), book_(book), sheet_(sheet),
          command_line_(source == Source::CommandLine)
    {
    }

    ExpressionParse run()
    {
        ExpressionParse result;
        advance();
        if (punct("="))
            advance();
        if (command_line_)
            result.root = command_call();
        else if (tok_.kind == TokenKind::End)
            fail("empty formula");
        else
            result.root = expression();
        if (error_.empty() && tok_.kind != TokenKind::End)
            fail(command_line_ ? "unexpected text after the closing ')'" : "unexpected text");
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

    Node fail(std::string message) { return fail_at(std::move(message), tok_.begin); }

    Node fail_at(std::string message, std::size_t position)
    {
        if (error_.empty()) {
            error_ = std::move(message);
            error_at_ = position;
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

    // An expression: binary operators by level, each left-associative.
    Node expression(int level = 0)
    {
        if (level == kBinaryLevels)
            return percent();
        Node left = expression(level + 1);
        while (char op = binary_operator(level)) {
            advance();
            left = binary(op, std::move(left), expression(level + 1));
        }
        return left;
    }

    char binary_operator(int level) const
    {
        if (tok_.kind == TokenKind::Punct)
            for (const BinaryOperator& o : kBinary)
                if (o.level == level && tok_.text == o.text)
                    return o.code;
        return 0;
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
                return reference_node(book_, sheet_, t, nullptr);
            advance();
            Token second = tok_;
            if (second.kind != TokenKind::Reference)
                return fail("the range operator ':' joins two cell references");
            advance();
            return reference_node(book_, sheet_, t, &second);
        }
        case TokenKind::Name: return name(t);
        case TokenKind::Punct:
            if (punct("(")) {
                advance();
                Node inner = expression();
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
            if (t.text == "TRUE" || t.text == "FALSE" || t.text == "true" || t.text == "false" ||
                t.text == "True" || t.text == "False")
                return constant(boolean_value(t.text[0] == 'T' || t.text[0] == 't'));
            Node n;
            if (defined_reference(book_, sheet_, t.text, n))
                return n;
            // A name that is no plain reference: #NAME?
            n.kind = NodeKind::Call;
            n.op = 'n';
            n.name = t.text;
            return n;
        }
        return call(t.text);
    }

    // name( at '(': its arguments, which on the command line are numbers and
    // array constants, and may not be left out.
    Node call(std::string name)
    {
        advance();
        Node call;
        call.kind = NodeKind::Call;
        call.name = std::move(name);
        if (punct(")")) {
            advance();
            return call;
        }
        for (;;) {
            bool left_out = punct(argument_separator()) || punct(")");
            if (left_out && command_line_)
                return fail("empty argument");
            if (left_out)
                call.children.push_back(missing());
            else if (command_line_)
                call.children.push_back(punct("{") ? array() : number());
            else
                call.children.push_back(expression());
            if (!punct(argument_separator()))
                break;
            advance();
        }
        if (!punct(")"))
            return fail(std::string("expected '").append(argument_separator()).append("' or ')' after an argument"));
        advance();
        return call;
    }

    // The command line's formula: one call, its name of ASCII letters, digits,
    // '_' and '.', from a letter or '_'. Blanks may stand before its '('.
    Node command_call()
    {
        std::string_view text = lexer_.text();
        std::size_t end = tok_.begin;
        while (end < tok_.end && (is_letter(text[end]) || text[end] == '_' ||
                                  (end > tok_.begin && (is_digit(text[end]) || text[end] == '.'))))
            ++end;
        if (end == tok_.begin)
            return fail("expected a function name");
        if (end != tok_.end)
            return fail_at("expected '(' after the function name", end);
        std::string name(text.substr(tok_.begin, end - tok_.begin));
        advance();
        if (!punct("("))
            return fail("expected '(' after the function name");
        return call(std::move(name));
    }

    // A number with at most one sign written against it: 1.5, -.5e-3.
    Node number()
    {
        std::size_t start = tok_.begin;
        bool negative = false;
        if (punct("+") || punct("-")) {
            negative = tok_.text[0] == '-';
            std::size_t sign_end = tok_.end;
            advance();
            if (tok_.begin != sign_end || !(tok_.kind == TokenKind::Number || tok_.malformed_number))
                return fail_at("expected a number", start);
        }
        if (tok_.kind == TokenKind::Number) {
            double value = negative ? -tok_.number : tok_.number;
            advance();
            return constant(number_value(value));
        }
        // A fault at the number's first character (out of range) is told at its sign.
        if (tok_.malformed_number)
            return fail_at(tok_.text, tok_.fault == tok_.begin ? start : tok_.fault);
        if (punct("{"))
            return fail("array constants cannot be nested");
        return fail("expected a number");
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

    // {a,b;c,d}: every row the same length; on the command line numbers only.
    Node array()
    {
        std::size_t open = tok_.begin;
        std::size_t row_start = tok_.end;
        advance();
        Node n;
        n.kind = NodeKind::Array;
        int columns = 0;
        for (;;) {
            n.children.push_back(command_line_ ? number() : array_element());
            ++columns;
            if (punct(column_separator())) {
                advance();
                continue;
            }
            if (n.rows == 0)
                n.columns = columns;
            else if (columns != n.columns)
                return fail_at("array row " + std::to_string(n.rows + 1) + " has " + std::to_string(columns) +
                                   " values, the first row has " + std::to_string(n.columns),
                               row_start);
            ++n.rows;
            columns = 0;
            if (punct(row_separator())) {
                row_start = tok_.end;
                advance();
                continue;
            }
            break;
        }
        if (tok_.kind == TokenKind::End || punct(")"))
            return fail_at("unbalanced '{': missing '}'", open);
        if (!punct("}"))
            return fail(std::string("expected '").append(column_separator()).append("', '")
                            .append(row_separator()).append("' or '}' in an array constant"));
        advance();
        return n;
    }

    Lexer lexer_;
    Grammar grammar_;
    const Workbook& book_;
    int sheet_;
    bool command_line_;
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

ExpressionParse parse_call(std::string_view text)
{
    static const Workbook none;
    return Parser(text, Grammar::Excel, none, 0, Source::CommandLine).run();
}

} // namespace xlhost
