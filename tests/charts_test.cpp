#include "charts.hpp"
#include "helpers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

bool is_red(Rgba p) { return p.a > 100 && p.r > 180 && p.g < 90 && p.b < 90; }
// A width-1 line is antialiased: the legend's sample shows as (99, 99, 253)
// on the legend's white box; the dark blue grid is (0, 0, 126).
bool is_blue(Rgba p) { return p.a > 100 && p.b > 200 && p.r < 130 && p.g < 130; }
bool is_green(Rgba p) { return p.a > 100 && p.g > p.r + 50 && p.g > p.b + 50; }

void expect_chart(const Png& png)
{
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(800u, png.width);
    EXPECT_EQ(600u, png.height);
    EXPECT_EQ((std::vector<int>{8, 6, 0, 0, 0}),
              (std::vector<int>{png.bit_depth, png.color_type, png.compression, png.filter,
                                png.interlace}));
    for (const std::string& chunk : png.chunks)
        EXPECT_TRUE(chunk != "tEXt" && chunk != "zTXt" && chunk != "iTXt") << chunk;
    for (const auto& [x, y] : {std::pair{0u, 0u}, {799u, 0u}, {0u, 599u}, {799u, 599u}}) {
        const Rgba p = png.at(x, y);
        EXPECT_TRUE(p.r == 255 && p.g == 255 && p.b == 255 && p.a == 0) << x << "," << y;
    }
    EXPECT_GT(std::count_if(png.pixels.begin(), png.pixels.end(), is_red), 200) << "curve";
    EXPECT_GT(std::count_if(png.pixels.begin(), png.pixels.end(), is_blue), 20) << "legend";
    EXPECT_EQ(0, std::count_if(png.pixels.begin(), png.pixels.end(), is_green));
    // An antialiased edge carries the colour of what covers it, not the
    // white of the transparent background.
    const auto partial = std::count_if(png.pixels.begin(), png.pixels.end(),
                                       [](Rgba p) { return p.a > 0 && p.a < 255; });
    const auto whitish = std::count_if(png.pixels.begin(), png.pixels.end(), [](Rgba p) {
        return p.a > 0 && p.a < 255 && p.r >= 200 && p.g >= 200 && p.b >= 200;
    });
    EXPECT_GT(partial, 1000);
    EXPECT_LT(whitish * 100, partial);
}

TEST(Charts, BothFilesDecodeToTheChartsOnTransparentWhite)
{
    TempDir dir;
    write_file(dir / "model_data.txt", "0 0.2 0.5 0.05 0.25 1.5 0 0.1 0.05 1.0");
    ASSERT_EQ(1, run_machsweep(dir.path).exit_status);
    expect_chart(decode_png(dir / "Cx0.png"));
    expect_chart(decode_png(dir / "Cy0.png"));

}

TEST(Charts, TheCy0ChartDependsOnCy0Alone)
{
    // A constant negative Cy0 after two different Cx0 laws: the second chart
    // holds nothing of the first, nor its range (and replaces an old file).
    TempDir one, other;
    write_file(one / "model_data.txt", "0 0.2 0.5 0.05 0.25 1.5 0 -3 -3 1.0");
    write_file(other / "model_data.txt", "0 -3 7 0.5 1 -0.5 0 -3 -3 1.0");
    write_file(other / "Cy0.png", "an older chart");
    ASSERT_EQ(1, run_machsweep(one.path).exit_status);
    ASSERT_EQ(1, run_machsweep(other.path).exit_status);
    EXPECT_EQ(read_file(one / "Cy0.png"), read_file(other / "Cy0.png"));
    EXPECT_NE(read_file(one / "Cx0.png"), read_file(other / "Cx0.png"));
}

TEST(Charts, ZeroAndNegativeCurvesLieWhollyInsideTheirChart)
{
    // Cy0 = 0 everywhere, then from -5 below M = 1 up to about -2.19.
    for (const char* cy0_law : {"0 0 2", "-5 -2 2"}) {
        SCOPED_TRACE(cy0_law);
        TempDir dir;
        write_file(dir / "model_data.txt", std::string("0 0.2 0.5 0.05 0.25 1.5 0 ") + cy0_law);
        ASSERT_EQ(1, run_machsweep(dir.path).exit_status);
        const Png png = decode_png(dir / "Cy0.png");
        ASSERT_TRUE(png.ok);
        // The frame's top and bottom are the outermost rows dark across most of
        // the picture; the curve must not touch them.
        std::vector<unsigned> frame_rows, red_rows;
        for (unsigned y = 0; y < png.height; ++y) {
            unsigned dark = 0;
            for (unsigned x = 0; x < png.width; ++x) {
                const Rgba p = png.at(x, y);
                dark += p.a > 100 && p.r < 100 && p.g < 100;
                if (is_red(p))
                    red_rows.push_back(y);
            }
            if (dark > png.width / 2)
                frame_rows.push_back(y);
        }
        ASSERT_FALSE(frame_rows.empty());
        ASSERT_FALSE(red_rows.empty());
        EXPECT_GT(red_rows.front(), frame_rows.front() + 10);
        EXPECT_LT(red_rows.back() + 10, frame_rows.back());
    }
}

TEST(Charts, DrawingKeepsTheProcessOnOneThread)
{
    TempDir dir;
    const fs::path here = fs::current_path();
    fs::current_path(dir.path);
    mglData mach(sweep_points), cx0(sweep_points), cy0(sweep_points);
    for (int i = 0; i < sweep_points; ++i)
        mach.a[i] = cx0.a[i] = cy0.a[i] = mach_of_point(i);
    const ChartErrors errors = draw_charts(mach, cx0, cy0, SweepResult{});
    fs::current_path(here);
    EXPECT_TRUE(errors.cx0 == 0 && errors.cy0 == 0);

    std::ifstream status("/proc/self/status");
    std::string line, threads;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            threads = line;
    EXPECT_EQ("Threads:\t1", threads);
}

} // namespace
