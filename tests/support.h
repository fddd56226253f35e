// Shared test helpers: exact double comparison and host-layout "K" arrays.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include "host/xloper.h"

namespace pellux::test {

inline std::uint64_t bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Same double to the last bit (so -0 differs from 0 and NaN equals NaN).
inline ::testing::AssertionResult same_double(double actual, double expected)
{
    if (bits(actual) == bits(expected))
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "%.17g, expected %.17g", actual, expected);
    return ::testing::AssertionFailure() << text;
}

// A "K" argument as the host lays it out, sized exactly to its elements so
// that a read past them is caught by the address sanitizer.
class HostArray {
public:
    HostArray(std::uint16_t rows, std::uint16_t columns, std::initializer_list<double> values = {})
        : storage_(1 + static_cast<std::size_t>(rows) * columns)
    {
        auto* v = reinterpret_cast<ZoneVector*>(storage_.data());
        v->rows = rows;
        v->columns = columns;
        std::size_t i = 1;
        for (double x : values)
            if (i < storage_.size())
                storage_[i++] = x;
    }
    static HostArray row(std::initializer_list<double> values)
    {
        return HostArray(1, static_cast<std::uint16_t>(values.size()), values);
    }
    static HostArray column(std::initializer_list<double> values)
    {
        return HostArray(static_cast<std::uint16_t>(values.size()), 1, values);
    }
    const ZoneVector* get() const { return reinterpret_cast<const ZoneVector*>(storage_.data()); }
    operator const ZoneVector*() const { return get(); }

private:
    std::vector<double> storage_; // one header double, then the elements
};

} // namespace pellux::test
