// The two charts, drawn from the zone table's chart columns: the transverse
// aberration zone by zone with the ±1 tolerance band, and the wavefront
// profile the add-in integrates.
#include "tools/reduction/book.h"

namespace reduction {

namespace {

constexpr lxw_color_t kBlue = 0x2F5597;
constexpr lxw_color_t kRed = 0xC00000;

// A blue line with markers of the same blue.
void blue(lxw_chart_series* s, double width, std::uint8_t marker, std::uint8_t size)
{
    lxw_chart_line line{};
    line.color = kBlue;
    line.width = width;
    chart_series_set_line(s, &line);
    chart_series_set_marker_type(s, marker);
    chart_series_set_marker_size(s, size);
    lxw_chart_fill fill{};
    fill.color = kBlue;
    chart_series_set_marker_fill(s, &fill);
    chart_series_set_marker_line(s, &line);
}

lxw_chart_series* zone_series(lxw_chart* c, int row0, int row1, int x_col, int y_col,
                              const char* name)
{
    lxw_chart_series* s = chart_add_series(c, sheet_range(row0, x_col, row1, x_col).c_str(),
                                           sheet_range(row0, y_col, row1, y_col).c_str());
    chart_series_set_name(s, name);
    blue(s, 2.25, LXW_CHART_MARKER_CIRCLE, 7);
    return s;
}

void band_series(lxw_chart* c, int row, const char* name)
{
    lxw_chart_series* s =
        chart_add_series(c, sheet_range(kRowBandX, kInValue, kRowBandX, kInValueEnd).c_str(),
                         sheet_range(row, kInValue, row, kInValueEnd).c_str());
    chart_series_set_name(s, name);
    lxw_chart_line line{};
    line.color = kRed;
    line.width = 1.5;
    line.dash_type = LXW_CHART_LINE_DASH_DASH;
    chart_series_set_line(s, &line);
    chart_series_set_marker_type(s, LXW_CHART_MARKER_NONE);
}

void axes(lxw_chart* c, const char* x_name, const char* y_name, const char* y_format)
{
    chart_axis_set_name(c->x_axis, x_name);
    chart_axis_set_min(c->x_axis, 0);
    chart_axis_set_num_format(c->x_axis, "0.0");
    chart_axis_set_name(c->y_axis, y_name);
    chart_axis_set_num_format(c->y_axis, y_format);
    chart_axis_major_gridlines_set_visible(c->x_axis, LXW_TRUE);
    chart_axis_set_label_position(c->x_axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
    chart_axis_set_label_position(c->y_axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
    chart_legend_set_position(c, LXW_CHART_LEGEND_BOTTOM);
}

void title(lxw_chart* c, const char* text)
{
    chart_title_set_name(c, text);
    lxw_chart_font font{};
    font.size = 12;
    font.bold = LXW_TRUE;
    chart_title_set_name_font(c, &font);
}

void place(Book& b, int row, int col, lxw_chart* c, double width_px)
{
    lxw_chart_options o{};
    o.x_scale = width_px / 480.0;
    o.y_scale = 320.0 / 288.0;
    o.x_offset = 4;
    o.y_offset = 4;
    worksheet_insert_chart_opt(b.sheet, row, col, c, &o);
}

// Each zone's error bar as a two-point segment, three rows a zone (the third
// left empty, so the line breaks): x Zeff, y TA -/+ one standard deviation.
void error_bars(Book& b, lxw_chart* c, const Layout& l)
{
    const int x = l.bars_col(), y = x + 1;
    worksheet_write_string(b.sheet, kTableHead + 2, x, "Error bars: Zeff", b.f.header);
    worksheet_write_string(b.sheet, kTableHead + 2, y, "TA -/+ 1 standard deviation", b.f.header);
    worksheet_write_string(b.sheet, kTableHead + 3, x, "in", b.f.unit_row);
    worksheet_write_string(b.sheet, kTableHead + 3, y, "tolerances", b.f.unit_row);
    for (int k = 0; k < l.zones; ++k) {
        const int zone = l.first + k, row = l.first + 3 * k;
        const std::string zeff = "=" + a1(zone, l.col(kZeff)), ta = a1(zone, l.col(kTa)),
                          sd = a1(zone, l.col(kTaSd));
        put_formula(b, row, x, zeff, b.f.derived[0]);
        put_formula(b, row + 1, x, zeff, b.f.derived[0]);
        put_formula(b, row, y, "=" + ta + "-" + sd, b.f.derived[5]);
        put_formula(b, row + 1, y, "=" + ta + "+" + sd, b.f.derived[5]);
    }
    lxw_chart_series* s = chart_add_series(
        c, sheet_range(l.first, x, l.first + 3 * l.zones - 2, x).c_str(),
        sheet_range(l.first, y, l.first + 3 * l.zones - 2, y).c_str());
    chart_series_set_name(s, "±1 standard deviation of the runs");
    blue(s, 1, LXW_CHART_MARKER_SHORT_DASH, 6);
}

} // namespace

void write_charts(Book& b, const Layout& l)
{
    lxw_chart* ta = workbook_add_chart(b.workbook, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    title(ta, "Transverse aberration at the best fit (tolerances)");
    zone_series(ta, l.first, l.last, l.col(kZeff), l.col(kTa), "TA / tolerance");
    error_bars(b, ta, l);
    band_series(ta, kRowBandUp, "+1 tolerance");
    band_series(ta, kRowBandDown, "-1 tolerance");
    axes(ta, "Zone radius Zeff (in)", "TA in tolerances", "0.0");
    place(b, l.chart_row, kColB, ta, 520);

    lxw_chart* wf = workbook_add_chart(b.workbook, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    title(wf, "Wavefront profile at the whole-mirror P-V's centre of curvature (waves)");
    zone_series(wf, l.start, l.last, l.col(kEdge), l.col(kProfileWaves), "Wavefront");
    axes(wf, "Radius (in): the first zone's inner edge, then each zone's outer edge",
         "Wavefront (waves)", "0.000");
    chart_legend_set_position(wf, LXW_CHART_LEGEND_NONE);
    place(b, l.chart_row, kColJ, wf, 540);
}

} // namespace reduction
