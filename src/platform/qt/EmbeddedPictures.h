// The pictures of res/ for ordinary screens as pixels compiled into the program (made at build
// time from the PNG files by tools/art/embed_pictures), so drawing one needs no decoding.
#pragma once

namespace tarvenko {

struct EmbeddedPicture {
    const char* name; // the file's name in res/, "KARA_MASU.png"
    int width, height;
    int format;         // a QImage::Format with four bytes a pixel
    const char* pixels; // rows of width * 4 bytes, top row first
};

// The picture of a file name, or nullptr when there is none by that name.
const EmbeddedPicture* embeddedPicture(const char* name);

} // namespace tarvenko
