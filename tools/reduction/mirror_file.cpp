#include "tools/reduction/mirror_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "tools/args/args.h"
#include "tools/reduction/file_text.h"
#include "tools/reduction/layout.h"

namespace reduction {

namespace {

struct Reader {
    const std::string& name;
    int line = 0;
    std::string& error;
    bool decimal_comma = false; // a file separated by semicolons

    bool fail(const std::string& why)
    {
        error = name + ":" + std::to_string(line > 0 ? line : 1) + ": " + why;
        return false;
    }

    // A number as the file writes it: with a decimal comma where the cells
    // are separated by semicolons.
    bool read(std::string text, double& x) const
    {
        if (decimal_comma && text.find('.') == std::string::npos && text.find(',') == text.rfind(','))
            if (const auto comma = text.find(','); comma != std::string::npos)
                text[comma] = '.';
        return args::number(text, x);
    }
};

enum class Key { Units, Diameter, Radius, Wavelength, Tester, ZoneRadius, Fittol, Coc, Secondary,
                 Focal, ToFocus, Stop, ReadingUncertainty };

// Inside a function, so that it is ready for readers run at start-up.
const std::map<std::string, Key>& keys()
{
    static const std::map<std::string, Key> table = {
    {"units", Key::Units},
    {"diameter", Key::Diameter},
    {"radius of curvature", Key::Radius},
    {"wavelength nm", Key::Wavelength},
    {"tester", Key::Tester},
    {"zone radius", Key::ZoneRadius},
    {"search tolerance", Key::Fittol},
    {"your centre of curvature", Key::Coc},
    {"secondary", Key::Secondary},
    {"focal length", Key::Focal},
    {"secondary to focus", Key::ToFocus},
    {"field stop mm", Key::Stop},
    {"reading uncertainty", Key::ReadingUncertainty},
    };
    return table;
}

bool choose(Reader& r, const std::string& value, std::initializer_list<const char*> choices,
            const char* what, std::string& out)
{
    const std::string v = lower(value);
    for (const char* c : choices)
        if (v == c) {
            out = v;
            return true;
        }
    std::string list;
    for (const char* c : choices)
        list += std::string(list.empty() ? "" : ", ") + c;
    return r.fail("unknown " + std::string(what) + " " + quoted(value) + " (" + list + ")");
}

bool set_key(Reader& r, Mirror& m, Key key, const std::string& value, const std::string& label)
{
    switch (key) {
    case Key::Units: return choose(r, value, {"in", "mm"}, "unit", m.units);
    case Key::Tester: return choose(r, value, {"fixed source", "moving source"}, "tester", m.tester);
    case Key::ZoneRadius:
        return choose(r, value, {"mean", "rms", "carlin"}, "zone radius", m.zone_radius);
    default: break;
    }
    double x = 0;
    if (!r.read(value, x))
        return r.fail(quoted(label) + " takes a number, not " + quoted(value));
    const bool may_be_negative = key == Key::Coc;
    if (!may_be_negative && !(x > 0))
        return r.fail(quoted(label) + " must be above 0");
    switch (key) {
    case Key::Diameter: m.diameter = x; break;
    case Key::Radius: m.radius = x; break;
    case Key::Wavelength: m.wavelength_nm = x; break;
    case Key::Fittol: m.fittol = x; break;
    case Key::Coc: m.coc = x; break;
    case Key::Secondary: m.secondary = x; break;
    case Key::Focal: m.focal_length = x; break;
    case Key::ToFocus: m.secondary_to_focus = x; break;
    case Key::Stop: m.field_stop_mm = x; break;
    case Key::ReadingUncertainty: m.reading_uncertainty = x; break;
    default: break;
    }
    return true;
}

bool zone_line(Reader& r, Mirror& m, const std::vector<std::string>& c, Readings readings)
{
    const std::size_t first_run = m.masks ? 3 : 2;
    if (c.size() > first_run + static_cast<std::size_t>(m.runs))
        return r.fail("more cells than the header names");
    if (m.zones.size() == 100)
        return r.fail("more than 100 zones");
    Zone z;
    if (c.size() < 2 || !r.read(c[0], z.inner) || !r.read(c[1], z.outer))
        return r.fail("a zone starts with its inner and outer radius, as numbers");
    if (z.inner < 0)
        return r.fail("the inner radius is below 0");
    if (!(z.outer > z.inner))
        return r.fail("the outer radius is not above the inner radius");
    if (m.masks) {
        if (c.size() < 3 || c[2].empty())
            return r.fail("a zone names its mask after its radii");
        z.mask = c[2];
    }
    // Openings of one mask follow each other outward; two masks' may overlap.
    for (auto it = m.zones.rbegin(); it != m.zones.rend(); ++it)
        if (it->mask == z.mask) {
            if (z.inner < it->outer)
                return r.fail(m.masks ? "the zone overlaps the one before it in its mask"
                                      : "the zone overlaps the one before it");
            break;
        }
    z.runs.assign(static_cast<std::size_t>(m.runs), std::nullopt);
    bool any = false;
    for (std::size_t k = first_run; k < c.size(); ++k) {
        if (c[k].empty())
            continue;
        double x = 0;
        if (!r.read(c[k], x))
            return r.fail("run " + std::to_string(k - first_run + 1) + " takes a number, not " + quoted(c[k]));
        z.runs[k - first_run] = x;
        any = true;
    }
    if (!any && readings == Readings::Required)
        return r.fail("the zone has no reading");
    m.zones.push_back(z);
    return true;
}

} // namespace

namespace {

// What the lines so far make of one mirror: the shared keys, or a session's.
struct Section {
    Mirror m;
    enum { Keys, Header, Zones } state = Keys;
    bool diameter = false, radius = false, secondary = false, to_focus = false;
    std::map<Key, int> seen;
};

// A finished section as a whole mirror: its checks, then the Newtonian's
// defaults.
bool finished(Reader& r, Section& s)
{
    Mirror& m = s.m;
    if (!s.diameter || !s.radius)
        return r.fail(std::string("no '") + (s.diameter ? "radius of curvature" : "diameter") + "'");
    if (s.state != Section::Zones || m.zones.size() < 2)
        return r.fail("fewer than 2 zones");
    for (const Zone& z : m.zones)
        if (z.outer > m.diameter / 2)
            return r.fail(m.masks ? "a zone reaches beyond the mirror's edge"
                                  : "the last zone reaches beyond the mirror's edge");
    // A Newtonian of ordinary proportions where the file gives none.
    if (!s.secondary)
        m.secondary = m.diameter * 0.22;
    if (!s.to_focus)
        m.secondary_to_focus = m.diameter * 0.75;
    return true;
}

bool key_line(Reader& r, Section& s, const std::vector<std::string>& c)
{
    const std::string key = lower(c[0]);
    if (key == "zones" && c.size() == 1) {
        s.state = Section::Header;
        return true;
    }
    const auto k = keys().find(key);
    if (k == keys().end())
        return r.fail("unknown key " + quoted(c[0]));
    if (c.size() != 2)
        return r.fail(quoted(c[0]) + " takes one value");
    if (s.seen.count(k->second))
        return r.fail(quoted(c[0]) + " given twice");
    s.seen[k->second] = r.line;
    if (!set_key(r, s.m, k->second, c[1], c[0]))
        return false;
    s.diameter |= k->second == Key::Diameter;
    s.radius |= k->second == Key::Radius;
    s.secondary |= k->second == Key::Secondary;
    s.to_focus |= k->second == Key::ToFocus;
    return true;
}

bool header_line(Reader& r, Section& s, const std::vector<std::string>& c)
{
    Mirror& m = s.m;
    m.masks = c.size() > 2 && lower(c[2]) == "mask";
    const std::size_t named = m.masks ? 3 : 2;
    if (c.size() <= named || lower(c[0]) != "inner" || lower(c[1]) != "outer")
        return r.fail("the header reads inner,outer, then one name per run");
    if (c.size() - named > static_cast<std::size_t>(kMaxRuns))
        return r.fail("more than 10 runs");
    m.runs = static_cast<int>(c.size() - named);
    s.state = Section::Zones;
    return true;
}

// "session,YYYY-MM-DD[,note]": the date, and the note as written after it.
bool session_line(Reader& r, const std::string& line, char separator, Session& out)
{
    const std::size_t first = line.find(separator);
    const std::size_t second = first == std::string::npos ? first : line.find(separator, first + 1);
    out.date = trim(line.substr(first == std::string::npos ? line.size() : first + 1,
                                second == std::string::npos ? std::string::npos : second - first - 1));
    out.note = second == std::string::npos ? "" : trim(line.substr(second + 1));
    const std::string& d = out.date;
    const bool date = d.size() == 10 && d[4] == '-' && d[7] == '-' &&
                      std::all_of(d.begin(), d.end(), [](char c) { return c == '-' || std::isdigit(static_cast<unsigned char>(c)); });
    if (!date && !d.empty()) // a session may be undated, never misdated
        return r.fail("a session opens with its date, as 2026-11-09, not " + quoted(d));
    if (out.note.size() > 2000)
        return r.fail("a session's note is longer than 2,000 characters");
    return true;
}

} // namespace

bool read_project(std::istream& in, const std::string& name, Project& out, std::string& error,
                  Readings readings)
{
    Reader r{name, 0, error};
    Section shared;
    shared.m.zones.clear();
    shared.m.coc = 0;
    const std::vector<std::string> all = lines_of(in);
    // A first line with a semicolon outside its comment: a spreadsheet's
    // file, separated by semicolons, with decimal commas.
    for (const std::string& l : all) {
        const std::string content = trim(l.substr(0, l.find('#')));
        if (content.empty())
            continue;
        r.decimal_comma = content.find(';') != std::string::npos;
        break;
    }
    const char separator = r.decimal_comma ? ';' : ',';
    Project p;
    // The shared keys until the first session line; then each session's,
    // starting from the shared ones.
    Section current;
    bool in_session = false;
    Session opened;
    auto close = [&]() {
        if (!finished(r, current))
            return false;
        opened.mirror = current.m;
        p.sessions.push_back(opened);
        return true;
    };
    for (const std::string& raw : all) {
        ++r.line;
        const std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty())
            continue;
        const std::vector<std::string> c = cells(line, separator);
        Section& s = in_session ? current : shared;
        if (lower(c[0]) == "session") {
            if (p.sessions.size() == kMaxSessions)
                return r.fail("more than 100 sessions");
            if (in_session && !close())
                return false;
            if (!in_session && shared.state != Section::Keys)
                return r.fail("a file of sessions gives its zones within each session");
            if (!session_line(r, line, separator, opened))
                return false;
            current = shared;
            current.seen.clear();
            in_session = true;
            continue;
        }
        if (s.state == Section::Keys) {
            if (!key_line(r, s, c))
                return false;
        } else if (s.state == Section::Header) {
            if (!header_line(r, s, c))
                return false;
        } else if (!zone_line(r, s.m, c, readings)) {
            return false;
        }
    }
    if (!in_session) {
        current = shared;
        opened = Session{};
    }
    if (!close())
        return false;
    out = p;
    return true;
}

bool read_mirror(std::istream& in, const std::string& name, Mirror& out, std::string& error,
                 Readings readings)
{
    Project p;
    if (!read_project(in, name, p, error, readings))
        return false;
    out = p.sessions.back().mirror;
    return true;
}

} // namespace reduction
