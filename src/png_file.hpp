#ifndef MACHSWEEP_PNG_FILE_HPP
#define MACHSWEEP_PNG_FILE_HPP

// Fills `row` (width × 4 bytes: red, green, blue, alpha) with row `y` of the
// picture, rows counted from the top.
using PngRowSource = void (*)(const void* context, int y, unsigned char* row);

// Writes a picture of width × height pixels, produced row by row by
// `source`, to `file_name` as an 8-bit RGBA PNG without text chunks,
// creating the file or truncating an existing one. Returns 0, or the reason
// the file could not be written completely as an errno value. A failed
// write never ends the process; the file may then be left incomplete.
int write_rgba_png(const char* file_name, int width, int height, PngRowSource source,
                   const void* context);

#endif
