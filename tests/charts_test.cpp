#include "charts.hpp"
#include "png_reader.hpp"
#include "process_runner.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <unistd.h>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

struct Counts {
    int red = 0, blue = 0, green = 0;
};

Counts count_colours(const DecodedPng& png)
{
    Counts c;
    for (const Rgba& p : png.pixels) {
        if (p.a < 100)
            continue;
        if (p.r > 180 && p.g < 90 && p.b < 90)
            ++c.red;
        // A width-1 line is antialiased: the sample shows as (99, 99, 253)
        // on the legend's white box; the dark blue grid is (0, 0, 126).
        if (p.b > 200 && p.r < 130 && p.g < 130)
            ++c.blue;
        if (p.g > p.r + 50 && p.g > p.b + 50)
            ++c.green;
    }
    return c;
}

void expect_chart_file(const DecodedPng& png)
{
    ASSERT_TRUE(png.ok) << png.error;
    EXPECT_EQ(800u, png.width);
    EXPECT_EQ(600u, png.height);
    EXPECT_EQ(8, png.bit_depth);
    EXPECT_EQ(6, png.color_type);
    EXPECT_EQ(0, png.compression);
    EXPECT_EQ(0, png.filter);
    EXPECT_EQ(0, png.interlace);
    for (const std::string& chunk : png.chunks)
        EXPECT_TRUE(chunk != "tEXt" && chunk != "zTXt" && chunk != "iTXt") << chunk;
    for (const auto& [x, y] : {std::pair{0u, 0u}, {799u, 0u}, {0u, 599u}, {799u, 599u}, {400u, 20u}}) {
        const Rgba p = png.at(x, y);
        EXPECT_TRUE(p.r == 255 && p.g == 255 && p.b == 255 && p.a == 0) << x << "," << y;
    }
    const Counts c = count_colours(png);
    EXPECT_GT(c.red, 200) << "the red curve";
    EXPECT_GT(c.blue, 20) << "the blue line sample of the legend";
    EXPECT_EQ(0, c.green) << "nothing is green";
}

std::string model_text(std::initializer_list<double> first_ten)
{
    std::ostringstream s;
    s.precision(17);
    for (double v : first_ten)
        s << v << ' ';
    return s.str();
}

TEST(Charts, VerticalRangePadsOutward)
{
    // Ends on both sides of zero: 1.1 times each.
    VerticalRange r = vertical_range({-0.5, 2.0});
    EXPECT_EQ(1.1 * -0.5, r.lower);
    EXPECT_EQ(1.1 * 2.0, r.upper);
    // A negative largest moves up, not down: Cy0 from -5 up to -2.
    r = vertical_range({-5.0, -2.0});
    EXPECT_EQ(1.1 * -5.0, r.lower);
    EXPECT_EQ(0.9 * -2.0, r.upper);
    // A positive smallest moves down.
    r = vertical_range({3.0, 4.0});
    EXPECT_EQ(0.9 * 3.0, r.lower);
    EXPECT_EQ(1.1 * 4.0, r.upper);
    // A constant negative Cy0 no longer gives two equal ends.
    r = vertical_range({-3.0, -3.0});
    EXPECT_LT(r.lower, r.upper);
    // The starting values of an all-NaN Cy0.
    r = vertical_range({-1e-9, -1e9});
    EXPECT_EQ(1.1 * -1e-9, r.lower);
    EXPECT_EQ(0.9 * -1e9, r.upper);
}

TEST(Charts, BothFilesDecodeToTheChartsOnTransparentWhite)
{
    TempDir dir;
    write_file(dir / "model_data.txt", model_text({0, 0.2, 0.5, 0.05, 0.25, 1.5, 0, 0.1, 0.05, 1.0}));
    const RunResult r = run_machsweep(dir.path());
    ASSERT_EQ(1, r.exit_status) << r.err;
    EXPECT_EQ("", r.err);
    const DecodedPng cx0 = decode_png(dir / "Cx0.png");
    const DecodedPng cy0 = decode_png(dir / "Cy0.png");
    {
        SCOPED_TRACE("Cx0.png");
        expect_chart_file(cx0);
    }
    {
        SCOPED_TRACE("Cy0.png");
        expect_chart_file(cy0);
    }

    // The second chart holds nothing of the first: another Cx0 law leaves
    // Cy0.png as it was, byte for byte.
    TempDir other;
    write_file(other / "model_data.txt", model_text({0, -3, 7, 0.5, 1, -0.5, 0, 0.1, 0.05, 1.0}));
    write_file(other / "Cy0.png", "an older chart, replaced");
    ASSERT_EQ(1, run_machsweep(other.path()).exit_status);
    EXPECT_EQ(read_file(dir / "Cy0.png"), read_file(other / "Cy0.png"));
    EXPECT_NE(read_file(dir / "Cx0.png"), read_file(other / "Cx0.png"));
}

// Rows of the plot frame: the first and last rows that are dark over most of
// the width.
std::pair<unsigned, unsigned> frame_rows(const DecodedPng& png)
{
    std::vector<unsigned> rows;
    for (unsigned y = 0; y < png.height; ++y) {
        unsigned dark = 0;
        for (unsigned x = 0; x < png.width; ++x) {
            const Rgba p = png.at(x, y);
            dark += p.a > 100 && p.r < 100 && p.g < 100;
        }
        if (dark > png.width / 2)
            rows.push_back(y);
    }
    if (rows.empty())
        return {0, 0};
    return {rows.front(), rows.back()};
}

TEST(Charts, ANegativeCurveLiesWhollyInsideItsChart)
{
    // Cy0 from -5 at low M up to about -2.19 at M = 3.98.
    TempDir dir;
    write_file(dir / "model_data.txt", model_text({0, 0.2, 0.5, 0.05, 0.25, 1.5, 0, -5, -2, 2}));
    ASSERT_EQ(1, run_machsweep(dir.path()).exit_status);
    const DecodedPng png = decode_png(dir / "Cy0.png");
    ASSERT_TRUE(png.ok) << png.error;
    const auto [top, bottom] = frame_rows(png);
    ASSERT_LT(top + 100, bottom);
    unsigned highest = png.height, lowest = 0;
    for (unsigned y = 0; y < png.height; ++y)
        for (unsigned x = 0; x < png.width; ++x) {
            const Rgba p = png.at(x, y);
            if (p.a > 100 && p.r > 180 && p.g < 90 && p.b < 90) {
                highest = std::min(highest, y);
                lowest = std::max(lowest, y);
            }
        }
    // Neither end of the curve is cut off at the frame.
    EXPECT_GT(highest, top + 10);
    EXPECT_LT(lowest, bottom - 10);
}

TEST(Charts, DrawingKeepsTheProcessOnOneThread)
{
    TempDir dir;
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    mglData mach(sweep_points), cx0(sweep_points), cy0(sweep_points);
    for (int i = 0; i < sweep_points; ++i) {
        mach.a[i] = mach_of_point(i);
        cx0.a[i] = i % 7;
        cy0.a[i] = i == 3 ? nan : -i;
    }
    SweepResult sweep;
    sweep.cx0 = {-1e-9, 6.0};
    sweep.cy0 = {-199.0, -1e9};
    const ChartErrors errors = draw_charts(mach, cx0, cy0, sweep);
    std::filesystem::current_path(here);
    EXPECT_EQ(0, errors.cx0);
    EXPECT_EQ(0, errors.cy0);

    std::ifstream status("/proc/self/status");
    std::string line;
    std::string threads;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            threads = line;
    EXPECT_EQ("Threads:\t1", threads);
}

} // namespace
