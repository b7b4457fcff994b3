#include "png_file.hpp"

#include "messages.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

struct Sink {
    std::FILE* file;
    int error;
};

void write_bytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(data, 1, length, sink->file) != length) {
        sink->error = failure_errno();
        png_error(png, "write failed");
    }
}

void flush_bytes(png_structp png)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fflush(sink->file) != 0) {
        sink->error = failure_errno();
        png_error(png, "write failed");
    }
}

// libpng's own handler would print a message before jumping back; the caller
// reports the failure instead.
[[noreturn]] void on_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Encodes into `sink`, which records why when libpng gives up. Kept free of
// objects with destructors, since libpng leaves it by longjmp; `row` holds
// one row of the picture at a time.
void encode(Sink& sink, int width, int height, PngRowSource source, const void* context,
            unsigned char* row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (png == nullptr) {
        sink.error = ENOMEM;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        sink.error = ENOMEM;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (sink.error == 0)
            sink.error = ENOMEM; // libpng's own failures are allocation failures
        return;
    }
    png_set_write_fn(png, &sink, write_bytes, flush_bytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Charts are mostly one flat colour: unfiltered rows at a low zlib level
    // take a fraction of the time of the thorough settings and give files
    // only about a tenth larger.
    png_set_compression_level(png, 3);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        source(context, y, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

} // namespace

int write_rgba_png(const char* file_name, int width, int height, PngRowSource source,
                   const void* context)
{
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4);
    errno = 0;
    Sink sink{std::fopen(file_name, "wb"), 0};
    if (sink.file == nullptr)
        return failure_errno();
    encode(sink, width, height, source, context, row.data());
    // The stream wrote most of the file while libpng encoded (a full disk
    // shows up there); what it still buffers reaches the file only here.
    errno = 0;
    if (std::fflush(sink.file) != 0 && sink.error == 0)
        sink.error = failure_errno();
    errno = 0;
    if (std::fclose(sink.file) != 0 && sink.error == 0)
        sink.error = failure_errno();
    return sink.error;
}
