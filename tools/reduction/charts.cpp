// The two charts, drawn from the zone table's chart columns: the transverse
// aberration zone by zone with the ±1 tolerance band, and the wavefront
// profile the add-in integrates.
#include "tools/reduction/book.h"

namespace reduction {

namespace {

constexpr lxw_color_t kBlue = 0x2F5597;
constexpr lxw_color_t kRed = 0xC00000;

lxw_chart_series* zone_series(lxw_chart* c, const Layout& l, int y_col, const char* name)
{
    lxw_chart_series* s =
        chart_add_series(c, sheet_range(l.first, kZeff, l.last, kZeff).c_str(),
                         sheet_range(l.first, y_col, l.last, y_col).c_str());
    chart_series_set_name(s, name);
    lxw_chart_line line{};
    line.color = kBlue;
    line.width = 2.25;
    chart_series_set_line(s, &line);
    chart_series_set_marker_type(s, LXW_CHART_MARKER_CIRCLE);
    chart_series_set_marker_size(s, 7);
    lxw_chart_fill fill{};
    fill.color = kBlue;
    chart_series_set_marker_fill(s, &fill);
    chart_series_set_marker_line(s, &line);
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

void axes(lxw_chart* c, const char* y_name, const char* y_format)
{
    chart_axis_set_name(c->x_axis, "Zone radius Zeff (in)");
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

} // namespace

void write_charts(Book& b, const Layout& l)
{
    lxw_chart* ta = workbook_add_chart(b.workbook, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    title(ta, "Transverse aberration at the best fit (tolerances)");
    zone_series(ta, l, kTa, "TA / tolerance");
    band_series(ta, kRowBandUp, "+1 tolerance");
    band_series(ta, kRowBandDown, "-1 tolerance");
    axes(ta, "TA in tolerances", "0.0");
    place(b, l.chart_row, kColB, ta, 545);

    lxw_chart* wf = workbook_add_chart(b.workbook, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    title(wf, "Wavefront profile at the best fit (waves)");
    zone_series(wf, l, kProfileWaves, "Wavefront");
    axes(wf, "Wavefront (waves)", "0.000");
    chart_legend_set_position(wf, LXW_CHART_LEGEND_NONE);
    place(b, l.chart_row, kColJ, wf, 605);
}

} // namespace reduction
