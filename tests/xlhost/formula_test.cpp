// The formula parser and the number display of xlhost.
#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/formula/call.h"
#include "tools/xlhost/formula/expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace xlhost {
namespace {

struct Shape {
    bool is_array;
    int rows;
    int columns;
    std::vector<double> cells;
};

struct Accepted {
    const char* text;
    const char* name;
    std::vector<Shape> arguments;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.text; }

class AcceptedFormula : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedFormula, ParsesNameAndOperands)
{
    const Accepted& c = GetParam();
    ParseResult r = parse_formula(c.text);
    ASSERT_TRUE(r.ok) << r.error << " at " << r.position;
    EXPECT_EQ(r.call.name, c.name);
    ASSERT_EQ(r.call.arguments.size(), c.arguments.size());
    for (std::size_t i = 0; i < c.arguments.size(); ++i) {
        const Operand& got = r.call.arguments[i];
        const Shape& want = c.arguments[i];
        EXPECT_EQ(got.is_array, want.is_array) << "argument " << i;
        EXPECT_EQ(got.rows, want.rows) << "argument " << i;
        EXPECT_EQ(got.columns, want.columns) << "argument " << i;
        ASSERT_EQ(got.cells.size(), want.cells.size()) << "argument " << i;
        for (std::size_t k = 0; k < want.cells.size(); ++k) {
            // Exact: every literal must read to the nearest double.
            EXPECT_EQ(got.cells[k], want.cells[k]) << "argument " << i << " cell " << k;
            EXPECT_EQ(std::signbit(got.cells[k]), std::signbit(want.cells[k])) << "argument " << i << " cell " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, AcceptedFormula,
    ::testing::Values(
        // Lone numbers in their written forms.
        Accepted{"=f(1)", "f", {{false, 1, 1, {1}}}},
        Accepted{"=f(-1.5e-3)", "f", {{false, 1, 1, {-1.5e-3}}}},
        Accepted{"=f(.5)", "f", {{false, 1, 1, {0.5}}}},
        Accepted{"=f(5.)", "f", {{false, 1, 1, {5}}}},
        Accepted{"=f(+2E+2)", "f", {{false, 1, 1, {200}}}},
        Accepted{"=f(-0)", "f", {{false, 1, 1, {-0.0}}}},
        Accepted{"=f(0.1)", "f", {{false, 1, 1, {0.1}}}},
        Accepted{"=f(0.000022)", "f", {{false, 1, 1, {0.000022}}}},
        Accepted{"=f(1.7976931348623157e308)", "f", {{false, 1, 1, {1.7976931348623157e308}}}},
        Accepted{"=f(4.9e-324)", "f", {{false, 1, 1, {4.9e-324}}}},
        // Array constants: ',' between columns, ';' between rows.
        Accepted{"=f({1,2,3})", "f", {{true, 1, 3, {1, 2, 3}}}},
        Accepted{"=f({1;2;3})", "f", {{true, 3, 1, {1, 2, 3}}}},
        Accepted{"=f({1,2;3,4})", "f", {{true, 2, 2, {1, 2, 3, 4}}}},
        Accepted{"=f({1,2,3;4,5,6})", "f", {{true, 2, 3, {1, 2, 3, 4, 5, 6}}}},
        Accepted{"=f({7})", "f", {{true, 1, 1, {7}}}},
        Accepted{"=f({-1.5,.25;3e1,-4})", "f", {{true, 2, 2, {-1.5, 0.25, 30, -4}}}},
        // Several arguments, blanks between tokens, with and without '='.
        Accepted{"=CalcMaxAbsTA({1.5,2,3},{1,2.5,2},{0.5,0.25,2},0.5)",
                 "CalcMaxAbsTA",
                 {{true, 1, 3, {1.5, 2, 3}}, {true, 1, 3, {1, 2.5, 2}}, {true, 1, 3, {0.5, 0.25, 2}}, {false, 1, 1, {0.5}}}},
        Accepted{"Vignetting(6,1.3,48,6,25)",
                 "Vignetting",
                 {{false, 1, 1, {6}}, {false, 1, 1, {1.3}}, {false, 1, 1, {48}}, {false, 1, 1, {6}}, {false, 1, 1, {25}}}},
        Accepted{"  = g ( { 1 , 2 ; 3 , 4 } , 5 )  ", "g", {{true, 2, 2, {1, 2, 3, 4}}, {false, 1, 1, {5}}}},
        Accepted{"=NO_ARGS()", "NO_ARGS", {}},
        // A name that would be a cell in a workbook is only a name here.
        Accepted{"=A1 (2)", "A1", {{false, 1, 1, {2}}}},
        Accepted{"=Norm.Dist2(1)", "Norm.Dist2", {{false, 1, 1, {1}}}}));

struct Refused {
    const char* text;
    std::size_t position; // where the fault is reported
    const char* message;  // part of the message
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.text; }

class RefusedFormula : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedFormula, ReportsWhereAndWhy)
{
    const Refused& c = GetParam();
    ParseResult r = parse_formula(c.text);
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(r.position, c.position) << r.error;
    EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    SyntaxErrors, RefusedFormula,
    ::testing::Values(
        Refused{"", 0, "function name"},
        Refused{"=", 1, "function name"},
        Refused{"==f(1)", 1, "function name"},
        Refused{"=1+f(1)", 1, "function name"},
        Refused{"=f", 2, "'('"},
        Refused{"=f(1", 4, "')'"},
        Refused{"=f(1))", 5, "after the closing"},
        Refused{"=f(1) x", 6, "after the closing"},
        Refused{"=f(1,)", 5, "empty argument"},
        Refused{"=f(,1)", 3, "empty argument"},
        Refused{"=f({1,2)", 3, "missing '}'"},
        Refused{"=f({1,2", 3, "missing '}'"},
        Refused{"=f(1,2})", 6, "')'"},
        Refused{"=f({1,2;3})", 8, "array row 2 has 1 values, the first row has 2"},
        Refused{"=f({1;2,3})", 6, "array row 2 has 2 values, the first row has 1"},
        Refused{"=f({})", 4, "expected a number"},
        Refused{"=f({1,,2})", 6, "expected a number"},
        Refused{"=f({{1}})", 4, "nested"},
        Refused{"=f(1..2)", 5, "malformed number"},
        Refused{"=f(1e)", 5, "exponent"},
        Refused{"=f(1e+)", 6, "exponent"},
        Refused{"=f(12abc)", 5, "malformed number"},
        Refused{"=f(--1)", 3, "expected a number"},
        Refused{"=f(.)", 3, "expected a number"},
        Refused{"=f(1e400)", 3, "out of range"},
        Refused{"=f(\"text\")", 3, "expected a number"},
        Refused{"=f(TRUE)", 3, "expected a number"},
        // One line: a line break is no blank; no sheets: '!' is no sheet's end.
        Refused{"=f(1\n)", 4, "after an argument"},
        Refused{"=f(1!)", 4, "after an argument"},
        Refused{"=f$(1)", 2, "'(' after the function name"},
        Refused{"=Data!A1(1)", 5, "'(' after the function name"},
        Refused{"=$A$1(1)", 1, "function name"},
        Refused{"=f(- 1)", 3, "expected a number"},
        Refused{"=f(-1e999)", 3, "out of range"},
        Refused{"=f({1,2;3,4;5})", 12, "array row 3 has 1 values, the first row has 2"}));

// Workbook formulas and the command line share one reader: a literal reads
// to the same bits in both, and a workbook's faults are told as precisely.
TEST(OneParser, LiteralsReadAlikeInEveryGrammar)
{
    Workbook book;
    for (const char* literal : {"1", "-0", ".5", "5.", "1.7976931348623157e308", "4.9e-324", "0.1", "-2.5E-3",
                                "123456789012345678901234567890", "2.2250738585072011e-308"}) {
        ParseResult call = parse_formula(std::string("=f(") + literal + ")");
        ASSERT_TRUE(call.ok) << literal << ": " << call.error;
        for (Grammar grammar : {Grammar::Excel, Grammar::OpenFormula}) {
            ExpressionParse tree = parse_expression(std::string("=f(") + literal + ")", grammar, book, 0);
            ASSERT_TRUE(tree.ok) << literal << ": " << tree.error;
            const Node& argument = tree.root.children.at(0);
            double want = call.call.arguments[0].cells[0];
            double got = argument.kind == NodeKind::Negate ? -argument.children.at(0).value.number : argument.value.number;
            EXPECT_EQ(std::signbit(got), std::signbit(want)) << literal;
            EXPECT_EQ(got, want) << literal;
        }
    }
}

TEST(OneParser, WorkbookFaultsNameTheirPlace)
{
    struct Case {
        const char* text;
        Grammar grammar;
        std::size_t position;
        const char* message;
    };
    Workbook book;
    for (const Case& c : {Case{"SUM({1,2;3})", Grammar::Excel, 9, "array row 2 has 1 values, the first row has 2"},
                          Case{"SUM({1;2|3})", Grammar::OpenFormula, 9, "array row 2 has 1 values, the first row has 2"},
                          Case{"SUM({1,2", Grammar::Excel, 4, "missing '}'"},
                          Case{"SUM(1 2)", Grammar::Excel, 6, "expected ',' or ')' after an argument"},
                          Case{"SUM(1;2", Grammar::OpenFormula, 7, "expected ';' or ')' after an argument"},
                          Case{"1e+", Grammar::OpenFormula, 0, "cannot read this"},
                          Case{"2024!A1", Grammar::Excel, 0, "cannot read this"}}) {
        ExpressionParse tree = parse_expression(c.text, c.grammar, book, 0);
        ASSERT_FALSE(tree.ok) << c.text;
        EXPECT_EQ(tree.position, c.position) << c.text << ": " << tree.error;
        EXPECT_NE(tree.error.find(c.message), std::string::npos) << c.text << ": " << tree.error;
    }
}

TEST(SameName, IgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(same_name("CalcWFE", "calcwfe"));
    EXPECT_TRUE(same_name("VIGNETTING", "Vignetting"));
    EXPECT_FALSE(same_name("CalcWFE", "CalcWF"));
    EXPECT_FALSE(same_name("CalcWFE", "CalcWFE2"));
    EXPECT_FALSE(same_name("A_B", "A.B"));
}

struct Shown {
    double value;
    const char* shortest;
    const char* fifteen; // Excel's 15-digit general display
};

void PrintTo(const Shown& c, std::ostream* os) { *os << c.shortest; }

class NumberDisplay : public ::testing::TestWithParam<Shown> {};

TEST_P(NumberDisplay, ShortestAndFifteenDigits)
{
    const Shown& c = GetParam();
    EXPECT_EQ(format_shortest(c.value), c.shortest);
    EXPECT_EQ(format_general(c.value, 15), c.fifteen);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberDisplay,
    ::testing::Values(
        Shown{2, "2", "2"},
        Shown{0, "0", "0"},
        Shown{-0.0, "-0", "0"},
        Shown{0.1 + 0.2, "0.30000000000000004", "0.3"},
        Shown{1.0002644278454071, "1.0002644278454071", "1.00026442784541"},
        Shown{-0.5998942288618376, "-0.5998942288618376", "-0.599894228861838"},
        Shown{0.02727272727272727, "0.02727272727272727", "0.0272727272727273"},
        Shown{123456789012345678.0, "123456789012345680", "1.23456789012346E+17"},
        Shown{999999999999999.0, "999999999999999", "999999999999999"},
        Shown{9999999999999999.0, "1e+16", "1E+16"},
        Shown{0.0001, "1e-04", "0.0001"},
        Shown{0.00001234, "1.234e-05", "1.234E-05"},
        Shown{-2.5e-300, "-2.5e-300", "-2.5E-300"},
        Shown{1e100, "1e+100", "1E+100"},
        Shown{std::numeric_limits<double>::infinity(), "inf", "inf"},
        Shown{-std::numeric_limits<double>::infinity(), "-inf", "-inf"},
        Shown{std::numeric_limits<double>::quiet_NaN(), "nan", "nan"},
        Shown{-std::numeric_limits<double>::quiet_NaN(), "nan", "nan"}));

TEST(NumberDisplay, FewerDigitsRoundOnce)
{
    EXPECT_EQ(format_general(-0.2350735532728981, 6), "-0.235074");
    EXPECT_EQ(format_general(0.99999996, 6), "1");
    EXPECT_EQ(format_general(9.9999996e-5, 6), "0.0001");
    EXPECT_EQ(format_general(123456.7, 6), "123457");
    EXPECT_EQ(format_general(1234567.0, 6), "1.23457E+06");
    EXPECT_EQ(format_general(0.5, 1), "0.5");
}

TEST(HostText, Utf16RoundTripAndSurrogates)
{
    std::u16string text = u"a\u00e9\u20ac\U0001F600";
    bool malformed = false;
    std::string utf8 = utf8_from_utf16(text, &malformed);
    EXPECT_FALSE(malformed);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(utf16_from_utf8(utf8), text);

    std::u16string lone{u'x', static_cast<char16_t>(0xD800), u'y'};
    EXPECT_EQ(utf8_from_utf16(lone, &malformed), "x\xEF\xBF\xBDy");
    EXPECT_TRUE(malformed);
}

} // namespace
} // namespace xlhost
