#include "helpers.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace {

const std::string example_model = read_file(MACHSWEEP_EXAMPLE_MODEL);
// The same model in every written form and layout the file may take: any
// whitespace, CR LF, numbers after the 32nd and words after the tenth
// number, no line end after the last.
const std::string odd_spelling = "+0\t.2\r\n5e-1 0.05\v2.5E-1\f1.5 -0.0 1e-1 .05 1. 007 1e-400 1e-310"
                                 " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 words";

long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }
bool is_chart(const fs::path& file) { return decode_png(file).size() == 800 * 600; }
bool is_red(Rgba p) { return p.a > 100 && p.r > 180 && p.g < 90 && p.b < 90; }
// A width-1 line is antialiased: the legend's blue sample is lighter than
// the dark blue (0, 0, 127) of the grid.
bool is_blue(Rgba p) { return p.a > 100 && p.b > 200 && p.r < 130 && p.g < 130; }
bool is_green(Rgba p) { return p.a > 100 && p.g > p.r + 50 && p.g > p.b + 50; }
bool is_clear(Rgba p) { return p.r == 255 && p.g == 255 && p.b == 255 && p.a == 0; }
bool is_partial(Rgba p) { return p.a > 0 && p.a < 255; }
bool is_whitish(Rgba p) { return is_partial(p) && p.r >= 200 && p.g >= 200 && p.b >= 200; }

TEST(Run, ACompleteRunPrintsTheTableAndDrawsBothCharts)
{
    TempDir dir;
    write_file(dir / "model_data.txt", example_model);
    write_file(dir / "Cx0.png", "an older chart");
    const RunResult r = run_machsweep(dir.path, "", "--help other.txt"); // arguments are ignored
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(201, lines(r.out));
    TempDir odd;
    write_file(odd / "model_data.txt", odd_spelling);
    EXPECT_EQ(r.out, run_machsweep(odd.path).out);
    // Cx0(0) = 0.2 + 0.3 exp(-20), Cx0(1) = (0.5 - 0.25) + 0.25,
    // Cx0(2) = 0.25 + 0.25 * 2^-1.5, Cy0(2) = 0.05 + 0.05 / 2.
    EXPECT_EQ(0u, r.out.find("M\tCx0\tCy0\n0.0000 \t0.2000\t0.1000\n0.0200 \t"));
    for (const char* row : {"\n0.9800 \t0.4976\t0.1000\n1.0000 \t0.5000\t0.1000\n",
                            "\n2.0000 \t0.3384\t0.0750\n", "\n3.9800 \t0.2815\t0.0626\n"})
        EXPECT_NE(std::string::npos, r.out.find(row)) << row;

    for (const char* chart : {"Cx0.png", "Cy0.png"}) {
        SCOPED_TRACE(chart);
        // IHDR: 800 × 600, 8 bits, colour type 6 (RGBA), not interlaced.
        const std::string bytes = read_file(dir / chart);
        EXPECT_EQ(std::string("IHDR\0\0\x03\x20\0\0\x02\x58\x08\x06\0\0\0", 17), bytes.substr(12, 17));
        for (const char* text_chunk : {"tEXt", "zTXt", "iTXt"})
            EXPECT_EQ(std::string::npos, bytes.find(text_chunk));
        const std::vector<Rgba> png = decode_png(dir / chart);
        ASSERT_EQ(800u * 600u, png.size());
        for (std::size_t corner : {0, 799, 800 * 599, 800 * 600 - 1})
            EXPECT_TRUE(is_clear(png[corner])) << corner;
        const auto count = [&](bool (*what)(Rgba)) { return std::count_if(png.begin(), png.end(), what); };
        EXPECT_GT(count(is_red), 200) << "curve";
        EXPECT_GT(count(is_blue), 20) << "legend";
        EXPECT_EQ(0, count(is_green));
        // An antialiased edge has the colour of what covers it, not the
        // white of the transparent background.
        EXPECT_GT(count(is_partial), 1000);
        EXPECT_LT(count(is_whitish) * 100, count(is_partial));
    }
}

TEST(Run, ZeroAndNegativeCurvesLieWhollyInsideTheirChart)
{
    std::vector<std::string> charts;
    // Cy0 = 0, then from -5 below M = 1 up to about -2.19, then -3 throughout
    // after two different Cx0 laws.
    for (const char* model : {"0 0.2 0.5 0.05 0.25 1.5 0 0 0 2", "0 0.2 0.5 0.05 0.25 1.5 0 -5 -2 2",
                              "0 0.2 0.5 0.05 0.25 1.5 0 -3 -3 1", "0 -3 7 0.5 1 -0.5 0 -3 -3 1"}) {
        SCOPED_TRACE(model);
        TempDir dir;
        write_file(dir / "model_data.txt", model);
        ASSERT_EQ(1, run_machsweep(dir.path).status);
        const std::vector<Rgba> png = decode_png(dir / "Cy0.png");
        ASSERT_EQ(800u * 600u, png.size());
        // The frame's top and bottom edges lie on rows 105 and 493 of every
        // chart: the red curve must be there and keep clear of them.
        long top = 600, bottom = -1;
        for (long i = 0; i < 800 * 600; ++i)
            if (is_red(png[std::size_t(i)]))
                top = std::min(top, i / 800), bottom = std::max(bottom, i / 800);
        EXPECT_TRUE(115 < top && top <= bottom && bottom < 483) << top << " to " << bottom;
        charts.push_back(read_file(dir / "Cy0.png"));
    }
    // The chart of a constant Cy0 takes nothing from the Cx0 chart before it,
    // not even its range.
    ASSERT_EQ(4u, charts.size());
    EXPECT_EQ(charts[2], charts[3]);
}

TEST(Run, AModelFileThatCannotBeUsedStopsTheRunBeforeAnyOutput)
{
    std::string nuls;
    for (int i = 0; i < 40; ++i)
        nuls += "\\x00";
    const std::pair<std::string, std::string> cases[] = {
        // How the working directory is set up (see run_machsweep), the message.
        {"", "cannot open: No such file or directory"},
        {"mkdir model_data.txt;", "cannot read: Is a directory"},
        {"echo 1 2 3 4 5 6 7 8 9 >model_data.txt;",
         "number 10 is missing: the model needs 10 numbers, the file holds 9"},
        {"echo 1 2 3 4 nan 6 7 8 9 10 >model_data.txt;", "number 5 (\"nan\") is not a number"},
        {"echo 1 2 3 4 0,5 6 7 8 9 10 >model_data.txt;", "number 5 (\"0,5\") is not a number"},
        {"echo 1 2 3 4 1e400 6 7 8 9 10 >model_data.txt;", "number 5 (\"1e400\") is out of range"},
        {"ln -s /dev/zero model_data.txt;", "number 1 (\"" + nuls + "...\") is too long to be a number"},
    };
    for (const auto& [set_up, message] : cases) {
        SCOPED_TRACE(message);
        TempDir dir;
        write_file(dir / "Cx0.png", "an earlier chart");
        const RunResult r = run_machsweep(dir.path, set_up);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ("machsweep: model_data.txt: " + message + "\n", r.err);
        EXPECT_EQ("", r.out);
        EXPECT_EQ("an earlier chart", read_file(dir / "Cx0.png"));
        EXPECT_FALSE(fs::exists(dir / "Cy0.png"));
    }
}

TEST(Run, AnOutputThatFailsIsReportedAndTheOthersAreStillWritten)
{
    const std::string no_table = "machsweep: standard output: cannot write the table: ";
    const std::string no_chart = ": cannot write the chart: ";
    const struct {
        const char *before, *after; // see run_machsweep
        std::string err;
        bool cx0, cy0; // whether the chart is written
    } cases[] = {
        {"", ">/dev/full", no_table + "No space left on device\n", 1, 1},
        {"", ">&-", no_table + "Bad file descriptor\n", 1, 1},
        // A FIFO whose only reader is closed before the run.
        {"mkfifo pipe && exec 3<>pipe 4>pipe 3<&- &&", ">&4 4>&-", no_table + "Broken pipe\n", 1, 1},
        {"mkdir -p Cx0.png/kept;", "", "machsweep: Cx0.png" + no_chart + "Is a directory\n", 0, 1},
        {"ln -s /dev/full Cy0.png;", "", "machsweep: Cy0.png" + no_chart + "No space left on device\n", 1, 0},
        // 10 KiB; SIGXFSZ is left at its default: the program itself must not die of it.
        {"ulimit -f 20;", "",
         "machsweep: Cx0.png" + no_chart + "File too large\nmachsweep: Cy0.png" + no_chart + "File too large\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        TempDir dir;
        write_file(dir / "model_data.txt", example_model);
        const RunResult r = run_machsweep(dir.path, c.before, c.after);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ(c.err, r.err);
        EXPECT_EQ(*c.after ? 0 : 201, lines(r.out));
        EXPECT_EQ(c.cx0, is_chart(dir / "Cx0.png"));
        EXPECT_EQ(c.cy0, is_chart(dir / "Cy0.png"));
    }
    // The device behind the link is still there: nothing removed it.
    struct stat device;
    EXPECT_TRUE(stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode));
}

} // namespace
