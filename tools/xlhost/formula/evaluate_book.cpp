// A whole workbook: formulas in dependency order, circular references
// found and reported, array formulas filling their blocks.
#include "tools/xlhost/formula/evaluate.h"

#include "host/xloper.h"

#include <algorithm>
#include <cstdio>
#include <map>

using namespace pellux;

namespace xlhost {

namespace {

std::string where(const Workbook& book, const Formula& f)
{
    return sheet_prefix(book.sheets[static_cast<std::size_t>(f.sheet)].name) + cell_name(f.row, f.column);
}

void collect_ranges(const Node& node, std::vector<RangeRef>& out)
{
    if (node.kind == NodeKind::Reference)
        out.push_back(node.range);
    for (const Node& c : node.children)
        collect_ranges(c, out);
}

// The formulas each formula reads, through any cell of their blocks, as a
// graph whose first nodes are the formulas. Each column's formula cells
// sit under a segment tree of further nodes, and a range points at the
// O(log n) tree nodes that cover its cells: running totals down 40,000
// rows take linear memory, not 800 million edges.
class DependencyGraph {
public:
    explicit DependencyGraph(const Evaluation& ev) : formulas_(static_cast<int>(ev.formulas.size()))
    {
        edges.resize(ev.formulas.size());
        columns_.resize(ev.slots.size());
        for (std::size_t s = 0; s < ev.slots.size(); ++s) {
            for (const auto& [key, slot] : ev.slots[s])
                if (slot.formula >= 0) {
                    Column& c = columns_[s][key.second];
                    c.rows.push_back(key.first);
                    c.formulas.push_back(slot.formula);
                }
            for (auto& [column, c] : columns_[s])
                c.root = build(c, 0, static_cast<int>(c.rows.size()));
        }
        for (std::size_t i = 0; i < ev.formulas.size(); ++i) {
            std::vector<RangeRef> ranges;
            collect_ranges(ev.formulas[i].root, ranges);
            for (const RangeRef& r : ranges) {
                const auto& columns = columns_[static_cast<std::size_t>(r.sheet)];
                for (auto it = columns.lower_bound(r.column1); it != columns.end() && it->first <= r.column2; ++it) {
                    const Column& c = it->second;
                    int lo = static_cast<int>(std::lower_bound(c.rows.begin(), c.rows.end(), r.row1) - c.rows.begin());
                    int hi = static_cast<int>(std::upper_bound(c.rows.begin(), c.rows.end(), r.row2) - c.rows.begin());
                    if (lo < hi)
                        cover(c.root, 0, static_cast<int>(c.rows.size()), lo, hi, edges[i]);
                }
            }
            std::sort(edges[i].begin(), edges[i].end());
            edges[i].erase(std::unique(edges[i].begin(), edges[i].end()), edges[i].end());
        }
    }

    bool is_formula(int node) const { return node < formulas_; }
    std::vector<std::vector<int>> edges;

private:
    struct Column {
        std::vector<int> rows, formulas; // by row
        int root = -1;
    };

    // A leaf is the formula itself; an inner node points at its two halves.
    int build(const Column& c, int lo, int hi)
    {
        if (hi - lo == 1)
            return c.formulas[static_cast<std::size_t>(lo)];
        int node = static_cast<int>(edges.size());
        edges.emplace_back();
        int mid = lo + (hi - lo) / 2;
        int left = build(c, lo, mid), right = build(c, mid, hi);
        edges[static_cast<std::size_t>(node)] = {left, right};
        return node;
    }

    void cover(int node, int lo, int hi, int want_lo, int want_hi, std::vector<int>& out) const
    {
        if (want_lo <= lo && hi <= want_hi) {
            out.push_back(node);
            return;
        }
        int mid = lo + (hi - lo) / 2;
        const std::vector<int>& halves = edges[static_cast<std::size_t>(node)];
        if (want_lo < mid)
            cover(halves[0], lo, mid, want_lo, want_hi, out);
        if (want_hi > mid)
            cover(halves[1], mid, hi, want_lo, want_hi, out);
    }

    int formulas_;
    std::vector<std::map<int, Column>> columns_; // per sheet, by column
};

// Tarjan's strongly connected components, without recursion; each
// component comes after every component it reads.
std::vector<std::vector<int>> components(const std::vector<std::vector<int>>& edges)
{
    int n = static_cast<int>(edges.size()), counter = 0;
    std::vector<int> index(edges.size(), -1), low(edges.size(), 0), stack;
    std::vector<char> on_stack(edges.size(), 0);
    std::vector<std::vector<int>> out;
    std::vector<std::pair<int, std::size_t>> frames;
    for (int start = 0; start < n; ++start) {
        if (index[start] >= 0)
            continue;
        frames.push_back({start, 0});
        index[start] = low[start] = counter++;
        stack.push_back(start);
        on_stack[start] = 1;
        while (!frames.empty()) {
            auto& [v, next] = frames.back();
            const auto& adjacent = edges[static_cast<std::size_t>(v)];
            if (next < adjacent.size()) {
                int w = adjacent[next++];
                if (index[w] < 0) {
                    index[w] = low[w] = counter++;
                    stack.push_back(w);
                    on_stack[w] = 1;
                    frames.push_back({w, 0});
                } else if (on_stack[w]) {
                    low[v] = std::min(low[v], index[w]);
                }
                continue;
            }
            int done = v;
            frames.pop_back();
            if (!frames.empty())
                low[frames.back().first] = std::min(low[frames.back().first], low[done]);
            if (low[done] == index[done]) {
                std::vector<int> component;
                int w = -1;
                do {
                    w = stack.back();
                    stack.pop_back();
                    on_stack[w] = 0;
                    component.push_back(w);
                } while (w != done);
                out.push_back(std::move(component));
            }
        }
    }
    return out;
}

// Bounds on what evaluating holds: the parts of every formula, and the text
// of every result (each within Excel's 32,767 characters, but many).
constexpr long kMaxFormulaParts = 1500000;
constexpr std::size_t kMaxResultText = 128u << 20;

long parts(const Node& node)
{
    long n = 1;
    for (const Node& c : node.children)
        n += parts(c);
    return n;
}

CellValue settled(CellValue v)
{
    if (v.kind == ValueKind::Empty)
        return number_value(0);
    if (v.kind == ValueKind::Number)
        return finite_number(v.number);
    return v;
}

void store(Evaluation& ev, CellValue& slot, CellValue value)
{
    ev.result_text += value.text.size();
    if (ev.result_text > kMaxResultText)
        throw EvaluationLimit("the formulas' text results pass " + std::to_string(kMaxResultText >> 20) +
                              " MB, xlhost's limit");
    slot = std::move(value);
}

void store_block(Evaluation& ev, const Formula& f, const Value& v, const Context& ctx)
{
    auto& cells = ev.slots[static_cast<std::size_t>(f.sheet)];
    if (!f.cell->is_array()) {
        store(ev, cells[{f.row, f.column}].value, settled(to_scalar(v, ctx)));
        return;
    }
    Value a = to_array(v, ctx);
    for (int i = 0; i < f.cell->block_rows; ++i)
        for (int j = 0; j < f.cell->block_columns; ++j) {
            int r = a.rows == 1 ? 0 : i, c = a.columns == 1 ? 0 : j;
            CellValue value = (r < a.rows && c < a.columns)
                                  ? a.cells[static_cast<std::size_t>(r) * a.columns + c]
                                  : error_value(xlerrNA);
            store(ev, cells[{f.row + i, f.column + j}].value, settled(value));
        }
}

} // namespace

Evaluation evaluate_workbook(const Workbook& book, AddinFunctions* addins)
{
    Evaluation ev;
    ev.slots.resize(book.sheets.size());
    for (std::size_t s = 0; s < book.sheets.size(); ++s) {
        for (const auto& [key, cell] : book.sheets[s].cells) {
            if (!cell.is_formula) {
                if (cell.value.kind != ValueKind::Empty)
                    ev.slots[s][key].value = cell.value;
                continue;
            }
            int id = static_cast<int>(ev.formulas.size());
            ev.formulas.push_back(Formula{static_cast<int>(s), key.first, key.second, &cell, {}, false});
            for (int i = 0; i < cell.block_rows; ++i)
                for (int j = 0; j < cell.block_columns; ++j)
                    ev.slots[s][{key.first + i, key.second + j}].formula = id;
        }
    }
    for (Formula& f : ev.formulas) {
        ExpressionParse parsed = parse_expression(f.cell->formula, f.cell->grammar, book, f.sheet);
        f.parsed = parsed.ok;
        if (parsed.ok && (ev.formula_parts += parts(parsed.root)) > kMaxFormulaParts)
            throw EvaluationLimit("the formulas hold more than " + std::to_string(kMaxFormulaParts) +
                                  " operators and operands, xlhost's limit");
        if (parsed.ok) {
            f.root = std::move(parsed.root);
        } else {
            f.root.value = error_value(xlerrName);
            const std::string& text = f.cell->formula;
            std::string shown = text.size() > 60 ? text.substr(0, 60) + "..." : text;
            std::fprintf(stderr, "xlhost: %s: cannot read the formula \"=%s\" at column %zu: %s\n",
                         where(book, f).c_str(), shown.c_str(), parsed.position + 2, parsed.error.c_str());
        }
    }
    ev.columns.resize(ev.slots.size());
    for (std::size_t s = 0; s < ev.slots.size(); ++s)
        for (const auto& [key, slot] : ev.slots[s])
            ev.columns[s][key.second].push_back({key.first, &slot});
    DependencyGraph graph(ev);
    const std::vector<std::vector<int>>& edges = graph.edges;
    for (const std::vector<int>& component : components(edges)) {
        std::vector<int> members;
        for (int n : component)
            if (graph.is_formula(n))
                members.push_back(n);
        if (members.empty())
            continue; // tree nodes alone
        int first = members.front();
        // Tree nodes point only down to the cells they cover, so any larger
        // component is a true cycle.
        bool cycle = component.size() > 1 || std::binary_search(edges[static_cast<std::size_t>(first)].begin(),
                                                                 edges[static_cast<std::size_t>(first)].end(), first);
        if (cycle) {
            std::sort(members.begin(), members.end());
            std::string names;
            for (int m : members) {
                const Formula& f = ev.formulas[static_cast<std::size_t>(m)];
                names += (names.empty() ? "" : ", ") + where(book, f);
                Context ctx{book, ev, addins, f.sheet, f.row, f.column, f.cell->is_array()};
                store_block(ev, f, scalar(error_value(xlerrRef)), ctx);
            }
            std::fprintf(stderr, "xlhost: circular reference, #REF! in %s\n", names.c_str());
            continue;
        }
        const Formula& f = ev.formulas[static_cast<std::size_t>(first)];
        Context ctx{book, ev, addins, f.sheet, f.row, f.column, f.cell->is_array()};
        store_block(ev, f, evaluate(f.root, ctx), ctx);
    }
    return ev;
}

} // namespace xlhost
