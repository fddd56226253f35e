// libFuzzer target: the five worksheet procedures and xlAutoFree12 of the
// add-in module, built with the address and undefined-behaviour sanitizers,
// called with zone records built from the input. Each record ends flush
// against an unreadable page, so a read past its last element faults.
//
// Input, little-endian; bytes past the end read as 0:
//   byte 0       procedure: 0 CalcMaxAbsTA, 1 MinimizeMaxAbsTA, 2 CalcWFE,
//                3 MinimizeWFE, 4 Vignetting (taken modulo 5)
//   byte 1       bit 0: every record takes the rows and columns of data
//   bytes 2-41   five record heads (data, ideal, tol, Zeff, Zwidth), each
//                rows u16, columns u16, start u16, step u16
//   bytes 42-81  five scalars, raw doubles, in the procedure's order
//   bytes 82-    the pool: element i of a record is pool double
//                (start + i * step) modulo the pool's size (0 if it is empty)
// A record of more than kMaxElements elements is laid out as its head alone,
// which no procedure may read past, since none accepts such a shape.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "host/result.h"
#include "worksheet/figures.h"
#include "worksheet/procedures.h"

using namespace pellux;

namespace {

constexpr std::size_t kHeadBytes = 82;
constexpr std::size_t kMaxElements = 65535;

struct Input {
    const std::uint8_t* bytes;
    std::size_t size;

    std::uint64_t read(std::size_t at, std::size_t count) const
    {
        std::uint64_t value = 0;
        for (std::size_t k = 0; k < count; ++k)
            if (at + k < size)
                value |= static_cast<std::uint64_t>(bytes[at + k]) << (8 * k);
        return value;
    }
    double scalar(int k) const
    {
        const std::uint64_t b = read(42 + 8 * static_cast<std::size_t>(k), 8);
        double x;
        std::memcpy(&x, &b, sizeof x);
        return x;
    }
    std::size_t pool_size() const { return size > kHeadBytes ? (size - kHeadBytes) / 8 : 0; }
    double pool(std::uint64_t i) const
    {
        const std::uint64_t b = read(kHeadBytes + 8 * static_cast<std::size_t>(i), 8);
        double x;
        std::memcpy(&x, &b, sizeof x);
        return x;
    }
};

// A mapping whose last page cannot be read; the record ends where it starts.
struct GuardedRecord {
    void* base = MAP_FAILED;
    std::size_t length = 0;
    ZoneVector* record = nullptr;
};

GuardedRecord place_record(const Input& in, int v, std::uint16_t rows, std::uint16_t columns)
{
    const std::size_t head = 2 + 8 * static_cast<std::size_t>(v);
    const std::uint64_t start = in.read(head + 4, 2);
    const std::uint64_t step = in.read(head + 6, 2);
    const std::size_t claimed = static_cast<std::size_t>(rows) * columns;
    const std::size_t elements = claimed <= kMaxElements ? claimed : 0;

    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = kZoneVectorElementOffset + 8 * elements;
    GuardedRecord g;
    g.length = (bytes + page - 1) / page * page + page;
    g.base = mmap(nullptr, g.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (g.base == MAP_FAILED)
        __builtin_trap();
    auto* guard = static_cast<unsigned char*>(g.base) + g.length - page;
    if (mprotect(guard, page, PROT_NONE) != 0)
        __builtin_trap();

    unsigned char* at = guard - bytes;
    g.record = reinterpret_cast<ZoneVector*>(at);
    g.record->rows = rows;
    g.record->columns = columns;
    const std::size_t pool = in.pool_size();
    for (std::size_t i = 0; i < elements; ++i) {
        const double x = pool == 0 ? 0.0 : in.pool((start + i * step) % pool);
        std::memcpy(at + kZoneVectorElementOffset + 8 * i, &x, sizeof x);
    }
    return g;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expect(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// A number, #NUM!, or (rows > 1) a library-owned column of that many numbers.
void check_result(const XLOPER12* r, int rows)
{
    expect(r != nullptr);
    if (r->xltype == xltypeNum)
        return;
    if (r->xltype == xltypeErr) {
        expect(r->val.err == xlerrNum);
        return;
    }
    expect(rows > 1 && r->xltype == kOwnedArray);
    expect(r->val.array.rows == rows && r->val.array.columns == 1);
    for (int i = 0; i < rows; ++i)
        expect(r->val.array.lparray[i].xltype == xltypeNum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const Input in{bytes, size};
    const int procedure = static_cast<int>(in.read(0, 1) % 9);
    const bool shared_shape = (in.read(1, 1) & 1) != 0;
    double s[5];
    for (int k = 0; k < 5; ++k)
        s[k] = in.scalar(k);

    if (procedure == 4) {
        XLOPER12* r = xl_Vignetting(&s[0], &s[1], &s[2], &s[3], &s[4]);
        expect(r != nullptr && r->xltype == xltypeNum);
        xlAutoFree12(r);
        return 0;
    }

    // Vectors: three for the transverse functions, five for the wavefront
    // ones and the figures, six for the uncertainty; Correction uses two.
    const int count = procedure < 2 ? 3 : procedure == 8 ? 6 : 5;
    GuardedRecord g[6];
    for (int v = 0; v < count; ++v) {
        const std::size_t head = 2 + 8 * static_cast<std::size_t>(shared_shape ? 0 : v);
        g[v] = place_record(in, v, static_cast<std::uint16_t>(in.read(head, 2)),
                            static_cast<std::uint16_t>(in.read(head + 2, 2)));
    }
    const ZoneVector* data = g[0].record;
    const ZoneVector* ideal = g[1].record;
    const ZoneVector* tol = g[2].record;
    const ZoneVector* zeff = g[3].record;
    const ZoneVector* zwidth = g[4].record;
    const ZoneVector* sixth = count > 5 ? g[5].record : nullptr;

    XLOPER12* r = nullptr;
    switch (procedure) {
    case 0: r = xl_CalcMaxAbsTA(data, ideal, tol, &s[0]); break;
    case 1: r = xl_MinimizeMaxAbsTA(data, ideal, tol, &s[0]); break;
    case 2: r = xl_CalcWFE(data, ideal, tol, zeff, zwidth, &s[0], &s[1], &s[2]); break;
    case 3: r = xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &s[0], &s[1], &s[2]); break;
    // The figures take the third vector as Zeff, Zwidth, Zouter or sem.
    case 5: r = xl_WholeMirrorPV(data, ideal, tol, zeff, &s[0], &s[1]); break;
    case 6: r = xl_WholeMirrorRMS(data, ideal, tol, zeff, zwidth, &s[0], &s[1]); break;
    case 7: r = xl_Correction(data, ideal); break;
    case 8: r = xl_FigureUncertainty(data, ideal, tol, zeff, zwidth, sixth, &s[0], &s[1]); break;
    }
    const int rows = procedure == 1 || procedure == 3 || procedure == 5 || procedure == 6 || procedure == 7
                         ? 2
                         : procedure == 8 ? 4 : 1;
    check_result(r, rows);

    if (r->xltype == kOwnedArray && procedure <= 3) {
        // The minimum is the objective at the centre returned.
        const double coc = r->val.array.lparray[0].val.num;
        const double minimum = r->val.array.lparray[1].val.num;
        const XLOPER12* calc = procedure == 1
                                   ? xl_CalcMaxAbsTA(data, ideal, tol, &coc)
                                   : xl_CalcWFE(data, ideal, tol, zeff, zwidth, &s[0], &coc, &s[1]);
        expect(calc->xltype == xltypeNum && same_bits(calc->val.num, minimum));
    }
    xlAutoFree12(r);
    expect(r->xltype != kOwnedArray || r->val.array.lparray == nullptr);

    for (int v = 0; v < count; ++v)
        munmap(g[v].base, g[v].length);
    return 0;
}
