// Each worksheet procedure through its export against the floor that computes
// the same bits with nothing but the arithmetic. First every floor is checked
// against its export bit for bit; then each pair is timed in alternating
// batches of about 0.2 ms in this one process, and the median of the
// per-round ratios export / floor is reported (the machine may be shared and
// noisy: figures from two runs are never compared).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/floors.h"
#include "bench/mirror.h"
#include "core/vignetting.h"
#include "host/result.h"
#include "worksheet/procedures.h"

using namespace pellux;
using namespace pellux::bench;

namespace {

constexpr int kRounds = 101;
constexpr double kBatchSeconds = 0.0002;

std::uint64_t bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

struct Row {
    std::string name;
    double export_ns, floor_ns, ratio, goal; // goal 0: none
};
std::vector<Row> g_rows;

using Clock = std::chrono::steady_clock;

template <class F>
double batch_ns(F& f, int batch)
{
    const auto start = Clock::now();
    for (int i = 0; i < batch; ++i)
        f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / batch;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Rounds of one export batch and one floor batch, the order swapped every
// round so that neither side always runs first.
template <class E, class F>
void ratio_rounds(benchmark::State& state, const std::string& name, double goal, E export_call,
                  F floor_call)
{
    int batch = 1;
    while (batch < (1 << 24) && batch_ns(export_call, batch) * batch < kBatchSeconds * 1e9)
        batch *= 2;
    std::vector<double> e, f, r;
    bool export_first = true;
    for (auto _ : state) {
        double te, tf;
        if (export_first) {
            te = batch_ns(export_call, batch);
            tf = batch_ns(floor_call, batch);
        } else {
            tf = batch_ns(floor_call, batch);
            te = batch_ns(export_call, batch);
        }
        export_first = !export_first;
        e.push_back(te);
        f.push_back(tf);
        r.push_back(te / tf);
    }
    const Row row{name, median(e), median(f), median(r), goal};
    state.counters["export_ns"] = row.export_ns;
    state.counters["floor_ns"] = row.floor_ns;
    state.counters["ratio"] = row.ratio;
    g_rows.push_back(row);
}

// The mirrors stay alive for the whole run; the cases point into them.
std::vector<Mirror>& mirrors()
{
    static std::vector<Mirror> m;
    return m;
}

struct Check {
    std::string name;
    bool same;
};
std::vector<Check> g_checks;

void check(const std::string& name, bool same)
{
    g_checks.push_back({name, same});
}

Pair take_pair(XLOPER12* r)
{
    if (r->xltype != (xltypeMulti | xlbitDLLFree))
        return {-1, -1};
    const Pair p{r->val.array.lparray[0].val.num, r->val.array.lparray[1].val.num};
    xlAutoFree12(r);
    return p;
}

bool same_pair(Pair a, Pair b)
{
    return bits(a.upper) == bits(b.upper) && bits(a.lower) == bits(b.lower);
}

// "Procedure/n" followed by a tail.
std::string case_name(const char* procedure, int n, const char* tail)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s/%d%s", procedure, n, tail);
    return text;
}

void add_cases(const Mirror& m, std::vector<double>& terms)
{
    const int n = m.n;
    const double* d = m.data.elements();
    const double* i = m.ideal.elements();
    const double* t = m.tol.elements();
    const double* ze = m.zeff.elements();
    const double* zw = m.zwidth.elements();
    const double rcurve = m.rcurve, coc = m.coc, wvl = m.wvl, fittol = m.fittol;
    wfe_terms(d, i, ze, zw, n, rcurve, coc, terms.data());
    const double* tm = terms.data();

    auto calc_wfe = [&m] {
        return xl_CalcWFE(m.data.get(), m.ideal.get(), m.tol.get(), m.zeff.get(), m.zwidth.get(),
                          &m.rcurve, &m.coc, &m.wvl)
            ->val.num;
    };
    auto calc_ta = [&m] {
        return xl_CalcMaxAbsTA(m.data.get(), m.ideal.get(), m.tol.get(), &m.coc)->val.num;
    };
    auto min_wfe = [&m] {
        return xl_MinimizeWFE(m.data.get(), m.ideal.get(), m.tol.get(), m.zeff.get(),
                              m.zwidth.get(), &m.rcurve, &m.wvl, &m.fittol);
    };
    auto min_ta = [&m] {
        return xl_MinimizeMaxAbsTA(m.data.get(), m.ideal.get(), m.tol.get(), &m.fittol);
    };

    // First step: every floor gives its export's bits.
    const double wfe = calc_wfe();
    check(case_name("CalcWFE", n, " bare"),
          bits(wfe) == bits(calc_wfe_bare(d, i, ze, zw, n, rcurve, coc, wvl)));
    check(case_name("CalcWFE", n, " sum"), bits(wfe) == bits(calc_wfe_sum(tm, n, wvl)));
    check(case_name("CalcMaxAbsTA", n, " bare"),
          bits(calc_ta()) == bits(calc_max_abs_ta_bare(d, i, t, n, coc)));
    check(case_name("MinimizeWFE", n, " bare"),
          same_pair(take_pair(min_wfe()),
                    minimize_wfe_bare(d, i, t, ze, zw, n, rcurve, wvl, fittol)));
    check(case_name("MinimizeMaxAbsTA", n, " bare"),
          same_pair(take_pair(min_ta()), minimize_max_abs_ta_bare(d, i, t, n, fittol)));

    auto reg = [](const std::string& name, double goal, auto e, auto f) {
        benchmark::RegisterBenchmark(
            name.c_str(), [=](benchmark::State& s) { ratio_rounds(s, name, goal, e, f); })
            ->Iterations(kRounds)
            ->Unit(benchmark::kMicrosecond);
    };
    reg(
        case_name("CalcWFE", n, "/vs_bare"), n == 6 ? 1.5 : 0,
        [=] { benchmark::DoNotOptimize(calc_wfe()); },
        [=] { benchmark::DoNotOptimize(calc_wfe_bare(d, i, ze, zw, n, rcurve, coc, wvl)); });
    reg(
        case_name("CalcWFE", n, "/vs_sum"), n == 32767 ? 2.0 : 0,
        [=] { benchmark::DoNotOptimize(calc_wfe()); },
        [=] { benchmark::DoNotOptimize(calc_wfe_sum(tm, n, wvl)); });
    reg(
        case_name("CalcMaxAbsTA", n, "/vs_bare"), 0, [=] { benchmark::DoNotOptimize(calc_ta()); },
        [=] { benchmark::DoNotOptimize(calc_max_abs_ta_bare(d, i, t, n, coc)); });
    reg(
        case_name("MinimizeWFE", n, "/vs_bare"), 0, [=] { xlAutoFree12(min_wfe()); },
        [=] {
            benchmark::DoNotOptimize(minimize_wfe_bare(d, i, t, ze, zw, n, rcurve, wvl, fittol));
        });
    reg(
        case_name("MinimizeMaxAbsTA", n, "/vs_bare"), 0, [=] { xlAutoFree12(min_ta()); },
        [=] { benchmark::DoNotOptimize(minimize_max_abs_ta_bare(d, i, t, n, fittol)); });
}

} // namespace

int main(int argc, char** argv)
{
    const int sizes[] = {6, 64, 1024, 32767};
    mirrors().reserve(4);
    static std::vector<std::vector<double>> terms;
    terms.reserve(4);
    for (int n : sizes) {
        mirrors().push_back(make_mirror(n));
        terms.emplace_back(static_cast<std::size_t>(n));
        add_cases(mirrors().back(), terms.back());
    }
    static const double D = 6, N = 1.3, F = 48, L = 6, stop = 25;
    check("Vignetting bare", bits(xl_Vignetting(&D, &N, &F, &L, &stop)->val.num) ==
                                 bits(vignetting_magnitudes(D, N, F, L, stop)));
    benchmark::RegisterBenchmark(
        "Vignetting/vs_bare",
        [](benchmark::State& s) {
            ratio_rounds(
                s, "Vignetting/vs_bare", 0,
                [] { benchmark::DoNotOptimize(xl_Vignetting(&D, &N, &F, &L, &stop)->val.num); },
                [] { benchmark::DoNotOptimize(vignetting_magnitudes(D, N, F, L, stop)); });
        })
        ->Iterations(kRounds)
        ->Unit(benchmark::kMicrosecond);

    bool all_same = true;
    for (const Check& c : g_checks) {
        if (!c.same)
            std::fprintf(stderr, "floor %s does not give its export's bits\n", c.name.c_str());
        all_same = all_same && c.same;
    }
    if (!all_same)
        return 1;
    std::printf("Every floor gives its export's bits (%zu checks).\n", g_checks.size());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nexport / floor, median of %d alternating rounds\n", kRounds);
    std::printf("%-32s %12s %12s %8s  %s\n", "case", "export ns", "floor ns", "ratio", "goal");
    bool met = true;
    for (const Row& r : g_rows) {
        char goal[32] = "";
        if (r.goal > 0) {
            const bool ok = r.ratio <= r.goal;
            met = met && ok;
            std::snprintf(goal, sizeof goal, "<= %.2f %s", r.goal, ok ? "met" : "MISSED");
        }
        std::printf("%-32s %12.1f %12.1f %8.2f  %s\n", r.name.c_str(), r.export_ns, r.floor_ns,
                    r.ratio, goal);
    }
    std::printf(met ? "Goals met.\n" : "A goal was missed (is the machine busy?).\n");
    return 0;
}
