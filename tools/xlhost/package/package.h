// The zip package under xlsx and ods files: parts found by name and
// inflated with their sizes and CRCs checked, within fixed bounds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// Bounds on what one file may inflate to.
constexpr std::uint64_t kMaxPartBytes = 256u << 20;  // one part
constexpr std::uint64_t kMaxTotalBytes = 512u << 20; // all parts read
constexpr std::uint64_t kMaxRatio = 200;             // inflated : stored, for parts over 10 MB

class Package {
public:
    // False with a reason when the content is no zip file this reader reads.
    bool open(std::string_view content, std::string& problem);

    // The stored name of the part of this name (case-insensitive, as OPC
    // names are), or empty.
    std::string find(std::string_view name) const;
    bool has(std::string_view name) const { return !find(name).empty(); }

    // The part's bytes; false with a reason when it is missing, damaged
    // (a CRC or size that does not match) or over the bounds.
    bool read(std::string_view name, std::string& bytes, std::string& problem);

private:
    struct Entry {
        std::string name;
        std::uint16_t flags = 0, method = 0;
        std::uint32_t crc = 0;
        std::uint64_t stored = 0, size = 0, offset = 0;
    };
    std::string_view content_;
    std::vector<Entry> entries_;
    std::uint64_t total_ = 0;
};

// Resolves a relationship target against the folder of the part that holds
// it: "worksheets/sheet1.xml" from "xl/workbook.xml" is
// "xl/worksheets/sheet1.xml"; "/xl/x.xml" is absolute; ".." climbs.
std::string resolve_part(std::string_view source_part, std::string_view target);

} // namespace xlhost
