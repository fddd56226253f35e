#include "tools/xlhost/package/package.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace xlhost {

namespace {

std::uint32_t u16(std::string_view s, std::size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

std::uint32_t u32(std::string_view s, std::size_t at)
{
    return u16(s, at) | u16(s, at + 2) << 16;
}

bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string percent_decoded(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

bool Package::open(std::string_view content, std::string& problem)
{
    content_ = content;
    entries_.clear();
    total_ = 0;
    // The end-of-central-directory record, within the last 64 KiB and 22 bytes.
    constexpr std::size_t kEnd = 22;
    if (content.size() < kEnd) {
        problem = "not a zip package (too short)";
        return false;
    }
    std::size_t end = std::string_view::npos;
    std::size_t lowest = content.size() > kEnd + 65535 ? content.size() - kEnd - 65535 : 0;
    for (std::size_t at = content.size() - kEnd + 1; at-- > lowest;)
        if (u32(content, at) == 0x06054b50u) {
            end = at;
            break;
        }
    if (end == std::string_view::npos) {
        problem = "not a zip package, or a truncated one (no central directory)";
        return false;
    }
    std::uint32_t count = u16(content, end + 10), size = u32(content, end + 12), offset = u32(content, end + 16);
    if (count == 0xffff || size == 0xffffffffu || offset == 0xffffffffu) {
        problem = "a ZIP64 package, which xlhost does not read";
        return false;
    }
    if (std::uint64_t(offset) + size > end) {
        problem = "a damaged zip package (the central directory lies outside the file)";
        return false;
    }
    std::size_t at = offset;
    std::set<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 46 > end || u32(content, at) != 0x02014b50u) {
            problem = "a damaged zip package (central directory entry " + std::to_string(i + 1) + ")";
            return false;
        }
        Entry e;
        e.flags = static_cast<std::uint16_t>(u16(content, at + 8));
        e.method = static_cast<std::uint16_t>(u16(content, at + 10));
        e.crc = u32(content, at + 16);
        e.stored = u32(content, at + 20);
        e.size = u32(content, at + 24);
        std::size_t name = u16(content, at + 28), extra = u16(content, at + 30), comment = u16(content, at + 32);
        e.offset = u32(content, at + 42);
        if (at + 46 + name + extra + comment > end) {
            problem = "a damaged zip package (central directory entry " + std::to_string(i + 1) + ")";
            return false;
        }
        e.name = std::string(content.substr(at + 46, name));
        if (e.stored == 0xffffffffu || e.size == 0xffffffffu || e.offset == 0xffffffffu) {
            problem = "a ZIP64 package, which xlhost does not read";
            return false;
        }
        std::string folded = e.name;
        for (char& c : folded)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!names.insert(folded).second) {
            problem = "the package holds the part \"" + e.name + "\" twice";
            return false;
        }
        entries_.push_back(std::move(e));
        at += 46 + name + extra + comment;
    }
    return true;
}

std::string Package::find(std::string_view name) const
{
    for (const Entry& e : entries_)
        if (same_name(e.name, name))
            return e.name;
    return {};
}

bool Package::read(std::string_view name, std::string& bytes, std::string& problem)
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return same_name(e.name, name); });
    if (it == entries_.end()) {
        problem = "the part \"" + std::string(name) + "\" is missing";
        return false;
    }
    const Entry& e = *it;
    std::string part = "the part \"" + e.name + "\"";
    if (e.flags & 1) {
        problem = part + " is encrypted";
        return false;
    }
    if (e.method != 0 && e.method != 8) {
        problem = part + " uses compression method " + std::to_string(e.method) + ", which xlhost does not read";
        return false;
    }
    if (e.size > kMaxPartBytes || total_ + e.size > kMaxTotalBytes) {
        problem = part + " inflates to " + std::to_string(e.size) + " bytes, over xlhost's limit of " +
                  std::to_string(e.size > kMaxPartBytes ? kMaxPartBytes : kMaxTotalBytes) + " (a zip bomb?)";
        return false;
    }
    if (e.size > (10u << 20) && e.size > kMaxRatio * std::max<std::uint64_t>(e.stored, 1)) {
        problem = part + " inflates " + std::to_string(e.size / std::max<std::uint64_t>(e.stored, 1)) +
                  " times, over xlhost's limit of " + std::to_string(kMaxRatio) + " (a zip bomb?)";
        return false;
    }
    std::uint64_t at = e.offset;
    if (at + 30 > content_.size() || u32(content_, at) != 0x04034b50u) {
        problem = part + " is damaged (no local header)";
        return false;
    }
    std::uint64_t data = at + 30 + u16(content_, at + 26) + u16(content_, at + 28);
    if (data + e.stored > content_.size()) {
        problem = part + " is truncated";
        return false;
    }
    std::string_view in = content_.substr(data, e.stored);
    if (e.method == 0) {
        if (e.stored != e.size) {
            problem = part + " is damaged (stored and inflated sizes differ)";
            return false;
        }
        bytes.assign(in);
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            problem = "cannot start inflating " + part;
            return false;
        }
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(in.size());
        // One spare byte catches data longer than the declared size.
        std::string out(e.size + 1, '\0');
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        int status = inflate(&z, Z_FINISH);
        std::uint64_t produced = z.total_out;
        inflateEnd(&z);
        if (status != Z_STREAM_END || produced != e.size) {
            problem = part + " is damaged (its data do not inflate to its size)";
            return false;
        }
        out.resize(e.size);
        bytes = std::move(out);
    }
    if (crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())) != e.crc) {
        problem = part + " is damaged (CRC mismatch)";
        return false;
    }
    total_ += e.size;
    return true;
}

std::string resolve_part(std::string_view source_part, std::string_view target)
{
    std::string t = percent_decoded(target);
    std::string path;
    if (!t.empty() && t[0] == '/') {
        path = t.substr(1);
    } else {
        std::size_t slash = source_part.rfind('/');
        path = (slash == std::string_view::npos ? std::string() : std::string(source_part.substr(0, slash + 1))) + t;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        std::string piece = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (piece == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

} // namespace xlhost
