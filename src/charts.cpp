#include "charts.hpp"

#include "png_file.hpp"

#include <mgl2/mgl.h>
#include <omp.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The program runs on one thread. MathGL parallelises with OpenMP, whose
// default is a busy-waiting thread per core: several times the CPU for no
// gain on pictures this small, and runs side by side slow each other down
// badly. MathGL's start-up code already runs parallel work, so the setting
// has to come first: this runs before any default-priority constructor,
// MathGL's own included, since the library is linked into the program; and
// after the process's failure handlers, since libgomp may give up here.
__attribute__((constructor(102))) void use_one_thread()
{
    omp_set_num_threads(1);
}

struct ChartText {
    const char* file_name;
    const char* axis_label;
    const char* legend_entry;
};

const ChartText cx0_chart{"Cx0.png", "Cx0", "Cx0(M)"};
const ChartText cy0_chart{"Cy0.png", "Cy0", "Cy0(M)"};

// MathGL places coordinates in single precision: with vertical ends beyond
// about 1e38 the axis loses its ticks or their scale, and an infinite end is
// ignored (the chart would keep the range of the one before). Larger values,
// infinities included, lie beyond the chart's edge.
constexpr double largest_vertical_end = 1e37;

void set_ranges(mglGraph& canvas, const Extremes& extremes)
{
    // Both extremes enclose zero, so the ends are never equal nor reversed;
    // each lies a tenth of its extreme's size beyond it, within the bound.
    const auto end = [](double extreme) {
        return std::clamp(1.1 * extreme, -largest_vertical_end, largest_vertical_end);
    };
    canvas.SetRanges(0.0, 4.0, end(extremes.smallest), end(extremes.largest), 0.0, 0.0);
}

void draw_axes_and_labels(mglGraph& canvas, const ChartText& text)
{
    // Ticks and tick labels come from MathGL's automatic ticks. "t" names the
    // ternary axis, which adds nothing outside ternary mode. The second call
    // is meant: drawn over themselves, the x and y axes, their ticks and
    // labels come out darker at their antialiased edges.
    canvas.Axis("xyzt");
    canvas.Axis("xy");
    // Position 0 centres a label on its axis; MathGL sets axis labels at 1.4
    // times the font size by itself.
    canvas.Label('x', "M", 0.0);
    canvas.Label('y', text.axis_label, 0.0);
}

void draw_grid_and_frame(mglGraph& canvas)
{
    canvas.Grid("xyzt", "B-"); // dark blue, solid
    canvas.Box("", true);      // black frame with ticks
}

void draw_legend(mglGraph& canvas)
{
    // Upper right corner. "#" keeps MathGL's boxed legend with black,
    // left-aligned text at 0.8 times the font size; a colour letter here
    // would colour the text. "value" is the length of the line sample.
    canvas.Legend(3, "#", "value 0.1");
}

void draw_curve(mglGraph& canvas, const mglData& mach, const mglData& values)
{
    canvas.Plot(mach, values, "r"); // red, solid, width 1, no markers
}

// MathGL blends each layer of a pixel into the canvas's background colour,
// even where nothing lies under it, so a transparent white background would
// leave white in every antialiased edge, and count it again in the alpha.
// The charts are drawn on transparent black instead: the blend then leaves
// each channel multiplied by alpha / 256 (rounded down), and dividing by it
// again gives the drawing's own colour. Where nothing is drawn the picture
// is white with alpha 0.
void straight_alpha_row(const void* premultiplied, int y, unsigned char* row)
{
    const auto* from = static_cast<const unsigned char*>(premultiplied)
        + static_cast<std::size_t>(y) * chart_width * 4;
    static const unsigned char uncovered[4] = {255, 255, 255, 0};
    for (int x = 0; x < chart_width * 4; x += 4) {
        const unsigned alpha = from[x + 3];
        if (alpha == 0) {
            std::memcpy(row + x, uncovered, 4);
            continue;
        }
        // The least colour that the blend rounds down to this value.
        for (int c = x; c < x + 3; ++c) {
            const unsigned colour = (from[c] * 256u + alpha - 1) / alpha;
            row[c] = static_cast<unsigned char>(std::min(colour, 255u));
        }
        row[x + 3] = static_cast<unsigned char>(alpha);
    }
}

int write_chart(mglGraph& canvas, const char* file_name)
{
    return write_rgba_png(file_name, chart_width, chart_height, straight_alpha_row,
                          canvas.GetRGBA());
}

} // namespace

ChartErrors draw_charts(const mglData& mach, const mglData& cx0, const mglData& cy0,
                        const SweepResult& sweep)
{
    // The library prints its own warnings on standard error unless told not
    // to; the program reports what matters itself.
    mglGraph::SuppressWarn(true);
    // A canvas keeps its points and primitives in blocks of 2^16 entries
    // by default, and builds the first block of each at once: about 8 MB
    // written before anything is drawn, where a chart needs a few thousand.
    // Blocks of 2^12 still leave room for 2^24 of each. The size is fixed by
    // the first canvas of the process, so it is set before that.
    mgl_bsize(12);
    // Kind 0 is MathGL's raster (Z-buffer) canvas.
    const auto canvas = std::make_unique<mglGraph>(0, chart_width, chart_height);
    canvas->FillBackground(mglColor(0.0, 0.0, 0.0, 0.0)); // see straight_alpha_row
    ChartErrors errors;

    set_ranges(*canvas, sweep.cx0);
    draw_axes_and_labels(*canvas, cx0_chart);
    canvas->AddLegend(cx0_chart.legend_entry, "b");
    draw_grid_and_frame(*canvas);
    draw_legend(*canvas);
    draw_curve(*canvas, mach, cx0);
    errors.cx0 = write_chart(*canvas, cx0_chart.file_name);

    canvas->Clf(0.0, 0.0, 0.0, 0.0);

    set_ranges(*canvas, sweep.cy0);
    draw_axes_and_labels(*canvas, cy0_chart);
    canvas->ClearLegend();
    canvas->AddLegend(cy0_chart.legend_entry, "b");
    draw_grid_and_frame(*canvas);
    draw_curve(*canvas, mach, cy0);
    draw_legend(*canvas);
    errors.cy0 = write_chart(*canvas, cy0_chart.file_name);
    return errors;
}
