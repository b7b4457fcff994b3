#include "charts.hpp"
#include "laws.hpp"

#include <gtest/gtest.h>

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh directory, removed with all it holds when the object goes.
struct TempDir {
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "machsweep-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path operator/(const std::string& name) const { return path / name; }
    fs::path path;
};

std::string read_file(const fs::path& file)
{
    std::ostringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
}

// A shell command that writes `text` (free of single quotes) into `file`.
std::string put(const std::string& file, const std::string& text)
{
    return "printf %s '" + text + "' >" + file + "; ";
}

struct RunResult {
    int status, signal; // the exit status, or -1 and the signal that ended the run
    std::string out, err;
};

// Runs the machsweep binary through sh in `dir`, after the commands `before`
// (limits, say), with the redirections `after` (which win over the capture
// of standard output).
RunResult run_machsweep(const fs::path& dir, const std::string& before = "",
                        const std::string& after = "")
{
    // The streams are caught in files beside, not in, the working directory.
    TempDir capture;
    const std::string command = "cd '" + dir.string() + "' && " + before
        + " exec '" MACHSWEEP_BINARY "' >'" + (capture / "out").string() + "' 2>'"
        + (capture / "err").string() + "' " + after;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            WIFSIGNALED(status) ? WTERMSIG(status) : 0, read_file(capture / "out"),
            read_file(capture / "err")};
}

struct Rgba {
    std::uint8_t r, g, b, a;
};

// The pixels of an 800 × 600 PNG file as 8-bit RGBA, row by row from the
// top; none when libpng cannot decode it or it has another size.
std::vector<Rgba> decode_png(const fs::path& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<Rgba> pixels(800 * 600);
    // The format wanted is set once the file's own is known.
    const bool ok = png_image_begin_read_from_file(&image, file.c_str()) && image.width == 800
        && image.height == 600 && (image.format = PNG_FORMAT_RGBA)
        && png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    png_image_free(&image);
    return ok ? pixels : std::vector<Rgba>{};
}

const std::string example_model = read_file(MACHSWEEP_EXAMPLE_MODEL);
const std::string with_example = put("model_data.txt", example_model);
// The same model in every written form and layout the file may take: any
// whitespace, CR LF, numbers after the 32nd and words after the tenth
// number, no line end after the last.
const std::string odd_spelling = "+0\t.2\r\n5e-1 0.05\v2.5E-1\f1.5 -0.0 1e-1 .05 1. 007 1e-400"
                                 " 1e-310 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 words";

long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }
bool is_chart(const fs::path& file) { return decode_png(file).size() == 800 * 600; }
bool is_red(Rgba p) { return p.a > 100 && p.r > 180 && p.g < 90 && p.b < 90; }
// A width-1 line is antialiased: the legend's blue sample is lighter than
// the dark blue (0, 0, 127) of the grid.
bool is_blue(Rgba p) { return p.a > 100 && p.b > 200 && p.r < 130 && p.g < 130; }
bool is_grid(Rgba p) { return p.a > 100 && p.b > 90 && p.b < 160 && p.r < 40 && p.g < 40; }
bool is_partial(Rgba p) { return p.a > 0 && p.a < 255; }
bool is_whitish(Rgba p) { return is_partial(p) && p.r >= 200 && p.g >= 200 && p.b >= 200; }
bool is_clear(Rgba p) { return p.r == 255 && p.g == 255 && p.b == 255 && p.a == 0; }
long count(const std::vector<Rgba>& png, bool (*is)(Rgba))
{
    return std::count_if(png.begin(), png.end(), is);
}

TEST(Run, ACompleteRunPrintsTheTableAndDrawsBothCharts)
{
    TempDir dir;
    // Arguments are ignored.
    const RunResult r = run_machsweep(dir.path, with_example + put("Cx0.png", "old"), "--help x");
    EXPECT_TRUE(r.status == 1 && r.err.empty() && lines(r.out) == 201) << r.status << r.err;
    // Cx0(0) = 0.2 + 0.3 exp(-20), Cx0(1) = (0.5 - 0.25) + 0.25,
    // Cx0(2) = 0.25 + 0.25 * 2^-1.5, Cy0(2) = 0.05 + 0.05 / 2.
    EXPECT_EQ(0u, r.out.find("M\tCx0\tCy0\n0.0000 \t0.2000\t0.1000\n0.0200 \t"));
    for (const char* row : {"\n0.9800 \t0.4976\t0.1000\n1.0000 \t0.5000\t0.1000\n",
                            "\n2.0000 \t0.3384\t0.0750\n", "\n3.9800 \t0.2815\t0.0626\n"})
        EXPECT_NE(std::string::npos, r.out.find(row)) << row;
    EXPECT_TRUE(is_chart(dir / "Cx0.png") && is_chart(dir / "Cy0.png"));
    EXPECT_EQ(r.out, run_machsweep(dir.path, put("model_data.txt", odd_spelling)).out);
}

TEST(Run, EachChartDrawsItsOwnRangeAndCurveOnTransparentWhite)
{
    std::vector<std::string> cy0_charts;
    // The example, then Cy0 = 0, Cy0 from -5 below M = 1 up to about -2.19,
    // and -3 throughout after two different Cx0 laws; last, Cy0 rising past
    // 1e300 to infinity after a finite and an infinite Cx0 law, whose curves
    // run off the chart.
    for (const std::string& model :
         {example_model, "0 0.2 0.5 0.05 0.25 1.5 0 0 0 2"s, "0 0.2 0.5 0.05 0.25 1.5 0 -5 -2 2"s,
          "0 0.2 0.5 0.05 0.25 1.5 0 -3 -3 1"s, "0 -3 7 0.5 1 -0.5 0 -3 -3 1"s,
          "0 0.2 0.5 0.05 0.25 1.5 0 1 0 -1000"s, "0 3 2 -0.001 1 -1000 0 1 0 -1000"s}) {
        const bool runs_off = model.find("-1000") != std::string::npos;
        TempDir dir;
        ASSERT_EQ(1, run_machsweep(dir.path, put("model_data.txt", model)).status);
        for (const char* chart : {"Cx0.png", "Cy0.png"}) {
            SCOPED_TRACE(model.substr(0, 40) + ": " + chart);
            // IHDR: 800 × 600, 8 bits, colour type 6 (RGBA), not interlaced.
            const std::string bytes = read_file(dir / chart);
            EXPECT_EQ(std::string("IHDR\0\0\x03\x20\0\0\x02\x58\x08\x06\0\0\0", 17),
                      bytes.substr(12, 17));
            for (const char* text_chunk : {"tEXt", "zTXt", "iTXt"})
                EXPECT_EQ(std::string::npos, bytes.find(text_chunk));
            const std::vector<Rgba> png = decode_png(dir / chart);
            ASSERT_EQ(800u * 600u, png.size());
            for (std::size_t corner : {0, 799, 800 * 599, 800 * 600 - 1})
                EXPECT_TRUE(is_clear(png[corner])) << corner;
            EXPECT_GT(count(png, is_blue), 20) << "legend";
            // An antialiased edge has the colour of what covers it, not the
            // white of the transparent background.
            EXPECT_GT(count(png, is_partial), 1000);
            EXPECT_LT(count(png, is_whitish) * 100, count(png, is_partial));
            // The frame's top and bottom edges lie on rows 105 and 493 of
            // every chart: the red curve must be there and keep clear of them.
            // The vertical axis has ticks: at least three horizontal grid lines.
            long top = 600, bottom = -1, grid_lines = 0;
            for (long y = 0; y < 600; ++y) {
                const auto row = png.begin() + y * 800;
                if (std::any_of(row, row + 800, is_red))
                    top = std::min(top, y), bottom = std::max(bottom, y);
                grid_lines += std::count_if(row, row + 800, is_grid) > 300;
            }
            EXPECT_TRUE(top <= bottom && (runs_off || (107 < top && bottom < 491)))
                << top << " to " << bottom;
            EXPECT_GE(grid_lines, 3);
            if (chart[1] == 'y')
                cy0_charts.push_back(bytes);
        }
    }
    // A Cy0 chart takes nothing from the Cx0 chart before it, not even its
    // range.
    EXPECT_TRUE(cy0_charts[3] == cy0_charts[4] && cy0_charts[5] == cy0_charts[6]);
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
        {"echo 1 2 3 4 1e400 6 7 8 9 10 >model_data.txt;", "number 5 (\"1e400\") is out of range"},
        {"echo 1 2 1.2.3 4 5 6 7 8 9 10 >model_data.txt;", "number 3 (\"1.2.3\") is not a number"},
        {"echo 1 2 3 1e 5 6 7 8 9 10 >model_data.txt;", "number 4 (\"1e\") is not a number"},
        {"echo 1 2 3 4 5 6 7 8 9 2E+ >model_data.txt;", "number 10 (\"2E+\") is not a number"},
        {"ln -s /dev/zero model_data.txt;",
         "number 1 (\"" + nuls + "...\") is too long to be a number"},
    };
    for (const auto& [set_up, message] : cases) {
        SCOPED_TRACE(message);
        TempDir dir;
        const RunResult r = run_machsweep(dir.path, put("Cx0.png", "an earlier chart") + set_up);
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
    const std::string no_cx0 = "machsweep: Cx0.png: cannot write the chart: ";
    const std::string no_cy0 = "machsweep: Cy0.png: cannot write the chart: ";
    const std::string too_large = "File too large\n";
    // Set-up and redirections (see run_machsweep), the message, whether each chart is written.
    const std::tuple<const char*, const char*, std::string, bool, bool> cases[] = {
        {"", ">/dev/full", no_table + "No space left on device\n", 1, 1},
        {"", ">&-", no_table + "Bad file descriptor\n", 1, 1},
        // A FIFO whose only reader is closed before the run.
        {"mkfifo p && exec 3<>p 4>p 3<&- &&", ">&4 4>&-", no_table + "Broken pipe\n", 1, 1},
        {"mkdir -p Cx0.png/kept;", "", no_cx0 + "Is a directory\n", 0, 1},
        {"ln -s /dev/full Cy0.png;", "", no_cy0 + "No space left on device\n", 1, 0},
        // 10 KiB, then 2 KiB, which a row of the table passes; SIGXFSZ is
        // left at its default: the program itself must not die of it.
        {"ulimit -f 20;", "", no_cx0 + too_large + no_cy0 + too_large, 0, 0},
        {"ulimit -f 4;", "", no_table + too_large + no_cx0 + too_large + no_cy0 + too_large, 0, 0},
    };
    for (const auto& [before, after, err, cx0, cy0] : cases) {
        SCOPED_TRACE(err);
        TempDir dir;
        const RunResult r = run_machsweep(dir.path, with_example + before, after);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ(err, r.err);
        EXPECT_EQ(err.find(no_table) == std::string::npos, lines(r.out) == 201);
        EXPECT_EQ(cx0, is_chart(dir / "Cx0.png"));
        EXPECT_EQ(cy0, is_chart(dir / "Cy0.png"));
    }
    // The device behind the link is still there: nothing removed it.
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(Run, RunningOutOfMemoryIsNeverTakenForSuccess)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than these limits";
#endif
    // The address-space limit rises from far too low until a run completes.
    // Until the program's code first runs, the kernel (when it cannot map
    // the program) and the dynamic loader end a run their own way: SIGSEGV
    // or status 127. From there on a run either completes or fails with
    // status 2 and a line of its own last, after any that a library printed.
    TempDir dir;
    long first_start = 1L << 30; // KiB
    for (long kib = 4096, fine_until = 0; kib < 524288; kib += kib < fine_until ? 16 : 1024) {
        SCOPED_TRACE(std::to_string(kib) + " KiB");
        fs::remove(dir / "Cx0.png"), fs::remove(dir / "Cy0.png");
        const RunResult r
            = run_machsweep(dir.path, with_example + "ulimit -v " + std::to_string(kib) + ";");
        if (r.signal != 0 || r.status == 127) {
            EXPECT_TRUE(kib < first_start && (r.signal == SIGSEGV || r.status == 127)) << r.signal;
        } else if (first_start > kib && fine_until == 0) {
            // The libraries' own start-up code runs out just above where the
            // loader does: go over the last MiB again in fine steps.
            first_start = fine_until = kib, kib -= 1024;
        } else if (first_start = std::min(first_start, kib); r.status == 1) {
            EXPECT_TRUE(r.err.empty() && lines(r.out) == 201 && is_chart(dir / "Cx0.png")
                        && is_chart(dir / "Cy0.png"));
            return;
        } else {
            EXPECT_EQ(2, r.status);
            EXPECT_TRUE(lines(r.out) == 0 || lines(r.out) == 201);
            // npos + 1 is 0: a message of a single line is the last line.
            const std::string last = r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
            EXPECT_TRUE(last.rfind("machsweep: ", 0) == 0 && last.back() == '\n') << r.err;
        }
    }
    ADD_FAILURE() << "no run completed";
}

TEST(Laws, AreBitExact)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // (0.1 - 0.7) + 0.7 in doubles: two units in the last place below 0.1.
    const double almost_tenth = std::nextafter(std::nextafter(0.1, 0.0), 0.0);
    // The law, M, the parameters p[0], p[1], ... (0 after those given), the value.
    const std::tuple<double (*)(double, const ModelParameters&), double, ModelParameters, double>
        cases[] = {
            // M = 0: (0 - 1)^2 is exactly 1, so Cx0 = exp(-1 / p3) * (p2 - p1) + p1.
            {cx0_of_mach, 0.0, {{0, 0, 1, 1}}, 0x1.78b56362cef38p-2},
            // M = 1 takes the power branch: (p2 - p4) + p4, not p2.
            {cx0_of_mach, 1.0, {{0, 0, 0.1, nan, 0.7, 1}}, almost_tenth},
            {cy0_of_mach, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0.1, 0.7, 1}}, almost_tenth},
            {cx0_of_mach, 2.0, {{0, 0, 1, 0, 0.5, 1}}, 0.75},
            {cy0_of_mach, 2.0, {{0, 0, 0, 0, 0, 0, 0, 0.3, 0.1, 2}}, 0x1.3333333333333p-3},
            // Product and sum rounded one by one; a fused multiply-add would give
            // 0x1.bbbbbbbbbbbbbp-2.
            {cx0_of_mach, 3.0, {{0, 0, 0.9, 0, 0.2, 1}}, 0x1.bbbbbbbbbbbbcp-2},
            {cy0_of_mach, 3.0, {{0, 0, 0, 0, 0, 0, 0, 0.9, 0.2, 1}}, 0x1.bbbbbbbbbbbbcp-2},
            // A NaN M is not below 1: only a zero exponent gives a number then.
            {cx0_of_mach, nan, {{0, 0, 0.1, 0, 0.7, -0.0}}, almost_tenth},
            {cy0_of_mach, nan, {{0, 0, 0, 0, 0, 0, 0, 0.1, 0.7, 1}}, nan},
        };
    for (const auto& [law, mach, params, expected] : cases) {
        const double got = law(mach, params);
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(got) : got == expected)
            << "M = " << mach << ": " << got;
    }
}

TEST(Charts, DrawingKeepsTheProcessOnOneThread)
{
    TempDir dir;
    const fs::path here = fs::current_path();
    fs::current_path(dir.path);
    const mglData zeros(sweep_points);
    const ChartErrors errors = draw_charts(zeros, zeros, zeros, SweepResult{});
    fs::current_path(here);
    EXPECT_TRUE(errors.cx0 == 0 && errors.cy0 == 0);
    EXPECT_NE(std::string::npos, read_file("/proc/self/status").find("\nThreads:\t1\n"));
}

} // namespace
