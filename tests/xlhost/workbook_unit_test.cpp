// The workbook evaluator without an add-in: both formula grammars over the
// same cells, Excel's operators and rules for blanks, text and errors, array
// blocks, shared-formula shifts, and the text form's refusals.
#include "tools/xlhost/cells/cells_text.h"
#include "tools/xlhost/formula/evaluate.h"
#include "tools/xlhost/formula/expression.h"
#include "tools/xlhost/workbook_print.h"

#include <gtest/gtest.h>

namespace xlhost {
namespace {

// Sheet S: the cells the formulas read, then the formulas' cells; then a
// sheet whose name needs quotes.
constexpr const char* kCells = "xlhost-cells 1\nsheet S\nA1 n 1.5\nA2 s text\nA3 b TRUE\nA5 e #N/A\nA6 n 4\n";
constexpr const char* kOtherSheet = "sheet My sheet\nB3 n 7\n";

struct Case {
    const char* excel;
    const char* open_formula;
    const char* expected;
};

const Case kCases[] = {
    {"-2^2", "-2^2", "4"},
    {"2^3^2", "2^3^2", "64"},
    {"1+2*3-4/2", "1+2*3-4/2", "5"},
    {"(1+2)*3", "(1+2)*3", "9"},
    {"2*50%", "2*50%", "1"},
    {"\"a\"&\"b\"=\"A\"&\"B\"", "\"a\"&\"b\"=\"A\"&\"B\"", "TRUE"},
    {"\"x\"<1", "\"x\"<1", "FALSE"},
    {"1/0", "1/0", "#DIV/0!"},
    {"0^0", "0^0", "#NUM!"},
    {"10^400", "10^400", "#NUM!"},
    {"SUM(A1:A6)", "SUM([.A1:.A6])", "#N/A"},
    {"SUM(A1:A4,A6)", "SUM([.A1:.A4];[.A6])", "5.5"},
    {"SUM(\"2\",TRUE,A2)", "SUM(\"2\";TRUE();[.A2])", "3"},
    {"'My sheet'!B3*2", "[$'My sheet'.B3]*2", "14"},
    {"'my SHEET'!$B$3", "[$'my SHEET'.$B$3]", "7"},
    {"NoSheet!A1", "[$NoSheet.A1]", "#REF!"},
    {"COUNT(A1:A6)", "COUNT([.A1:.A6])", "2"},
    {"AVERAGE(A1:A4)", "AVERAGE([.A1:.A4])", "1.5"},
    {"A2+1", "[.A2]+1", "#VALUE!"},
    {"A4+1", "[.A4]+1", "1"},
    {"A3+1", "[.A3]+1", "2"},
    {"A4", "[.A4]", "0"},
    {"ISBLANK(A4)", "ISBLANK([.A4])", "TRUE"},
    {"IF(A4,1,2)", "IF([.A4];1;2)", "2"},
    {"IF(FALSE,1)", "IF(FALSE();1)", "FALSE"},
    {"IFERROR(A5,\"x\")", "IFERROR([.A5];\"x\")", "x"},
    {"AND(A2)", "AND([.A2])", "#VALUE!"},
    {"ROUND(0.5,0)+ROUND(-2.5,0)", "ROUND(0.5;0)+ROUND(-2.5;0)", "-2"},
    {"ROUND(1234.5678,-2)", "ROUND(1234.5678;-2)", "1200"},
    {"ROUND(1.005,2)", "ROUND(1.005;2)", "1.01"},
    {"INDEX({1,2;3,4},2,1)", "INDEX({1;2|3;4};2;1)", "3"},
    {"INDEX(A1:A6,7)", "INDEX([.A1:.A6];7)", "#REF!"},
    {"MAX({1,2;3,4})", "MAX({1;2|3;4})", "4"},
    {"SQRT(-1)", "SQRT(-1)", "#NUM!"},
    {"MIN()", "MIN()", "#VALUE!"},
    {"SUM(S!A1:A1)", "SUM([$S.A1:.A1])", "1.5"},
};

Workbook book_with(const std::string& formulas)
{
    Workbook book;
    std::string problem;
    EXPECT_TRUE(read_cells_text(std::string(kCells) + formulas + kOtherSheet, book, problem)) << problem;
    settle_array_blocks(book);
    return book;
}

std::string value_of(const Evaluation& ev, int sheet, int row, int column)
{
    auto it = ev.slots[static_cast<std::size_t>(sheet)].find({row, column});
    return it == ev.slots[static_cast<std::size_t>(sheet)].end() ? "(empty)" : value_text(it->second.value, 0);
}

TEST(Evaluator, BothGrammarsGiveExcelsResults)
{
    std::string formulas;
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        formulas += "C" + std::to_string(i + 1) + " f " + kCases[i].excel + "\n";
        formulas += "D" + std::to_string(i + 1) + " o " + kCases[i].open_formula + "\n";
    }
    Workbook book = book_with(formulas);
    Evaluation ev = evaluate_workbook(book, nullptr);
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        EXPECT_EQ(value_of(ev, 0, static_cast<int>(i), 2), kCases[i].expected) << kCases[i].excel;
        EXPECT_EQ(value_of(ev, 0, static_cast<int>(i), 3), kCases[i].expected) << kCases[i].open_formula;
    }
}

TEST(Evaluator, ArrayBlocksRepeatSingleRowsAndPadWithNA)
{
    Workbook book = book_with("H1:I2 f {1,2;3,4}*10\nJ1:J3 f {1;2}\nK1:L1 f {5;6}\nM1:M2 f S!A1:A2\n");
    Evaluation ev = evaluate_workbook(book, nullptr);
    const char* expected[][6] = {{"10", "20", "1", "5", "5", "1.5"}, {"30", "40", "2", "(empty)", "(empty)", "text"},
                                 {"(empty)", "(empty)", "#N/A", "(empty)", "(empty)", "(empty)"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(value_of(ev, 0, r, 7 + c), expected[r][c]) << cell_name(r, 7 + c);
}

TEST(SharedFormula, RelativePartsMove)
{
    struct {
        const char* text;
        int rows, columns;
        const char* expected;
    } cases[] = {
        {"A1+$B$2+C$3+$D4", 1, 2, "C2+$B$2+E$3+$D5"},
        {"Sheet1!A1:B2*2", 1, 0, "Sheet1!A2:B3*2"},
        {"'My sheet'!A1", -1, 0, "'My sheet'!#REF!"},
        {"SUM(A1)&\"A1\"", 1, 1, "SUM(B2)&\"A1\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shift_formula(c.text, c.rows, c.columns), c.expected) << c.text;
}

TEST(CellsText, RefusesWithTheLine)
{
    struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"xlhost-cells 2\n", "line 1: "},
        {"xlhost-cells 1\nA1 n 1\n", "line 2: a cell before the first sheet line"},
        {"xlhost-cells 1\nsheet S\nA1 n x\n", "line 3: not a number"},
        {"xlhost-cells 1\nsheet S\nA1 n 1e999\n", "line 3: not a number"},
        {"xlhost-cells 1\nsheet S\nB1:A1 f 1\n", "line 3: not a cell or block address"},
        {"xlhost-cells 1\nsheet S\nA1:B2 n 1\n", "line 3: only an array formula"},
        {"xlhost-cells 1\nsheet S\nsheet s\n", "line 3: sheet \"s\" given twice"},
        {"xlhost-cells 1\nsheet S\nA1 s a\\q\n", "line 3: bad escape"},
        {"xlhost-cells 1\nsheet S\nA1 n 1\nA1 b TRUE\n", "line 4: cell A1 given twice"},
    };
    for (const auto& c : cases) {
        Workbook book;
        std::string problem;
        EXPECT_FALSE(read_cells_text(c.text, book, problem)) << c.text;
        EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
    }
}

TEST(CellsText, WritesWhatItReads)
{
    const std::string text = "xlhost-cells 1\nsheet Odd \\\\ name\nA1 s two\\nlines\\ttab\nB1 e #DIV/0!\n"
                             "C1 n -0.1\nD1 b FALSE\nA2:B3 f SUM(A1:A1)\nC2:C2 o [.C1]\n";
    Workbook book;
    std::string problem;
    ASSERT_TRUE(read_cells_text(text, book, problem)) << problem;
    EXPECT_EQ(write_cells_text(book), text);
}

} // namespace
} // namespace xlhost
