#ifndef MACHSWEEP_PNG_FILE_HPP
#define MACHSWEEP_PNG_FILE_HPP

// Writes a picture of width × height pixels, 4 bytes a pixel (red, green,
// blue, alpha; rows top to bottom), to `file_name` as an 8-bit RGBA PNG
// without text chunks, creating the file or truncating an existing one.
// Returns 0, or the reason the file could not be written completely as an
// errno value. A failed write never ends the process; the file may then be
// left incomplete.
int write_rgba_png(const char* file_name, const unsigned char* rgba, int width, int height);

#endif
