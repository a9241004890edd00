// Test pictures for the highway renderer: picture sets generated in code, written as PNG files
// into a qlview folder and installed as the process-wide image set, plus PNG reading and
// writing of whole frames for the golden comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class GFX_IBitmap;

// One picture of the image set, pixels as 0xAARRGGBB words, rows top first.
struct TestPicture {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Every picture name of the image set, in a fixed order: the background, the two tracks, the
// six sustains, the six highlighted sustains, then the 44 slot pictures by slot number.
const std::vector<std::string> &ImageSetNames();

// Each picture one opaque colour of its own (see SolidColour), so that a frame's pixels tell
// which picture was drawn where. The sustain pictures are the exception: only the middle third
// of their top row carries their colour; the rest is SUSTAIN_EDGE_COLOUR, which a correct tail
// never shows.
std::vector<TestPicture> SolidPictureSet();
constexpr uint32_t SUSTAIN_EDGE_COLOUR = 0xFFFF00FFu;

// The colour SolidPictureSet gives the picture `name` (0 for an unknown name), and the name of
// the picture whose colour is `pixel` ("" if none).
uint32_t SolidColour(const std::string &name);
std::string SolidPictureAt(uint32_t pixel);

// Drawn pictures with shapes and transparency, for frames that are looked at: lane-coloured
// gems, rimmed hopo gems, cymbal plates, kick bars, grid lines, flares and a perspective board.
std::vector<TestPicture> ShapedPictureSet();

// In highway_picture_install.cpp (needs the graphics library and the image set):
// Writes every picture as <dir>/qlview/<name>.png, reads each back with the graphics library's
// PNG loader and installs it as the image set's picture of that name, deleting what was there.
// Names of the image set missing from `set` are left null. The image set must be loaded (an
// instance exists). Returns false, with a message in *error, if a file cannot be written or read.
bool InstallPictures(const std::vector<TestPicture> &set, const std::string &dir, std::string *error);

// Writes `set` as PNG files into <dir>/qlview/ (creating the folders). False on failure.
bool WritePictureFolder(const std::vector<TestPicture> &set, const std::string &dir);

// A fresh empty directory under the system's temporary folder; removed with RemoveTree.
std::string MakeTempDir(const char *tag);
void RemoveTree(const std::string &dir);

// PNG files of whole frames: 8-bit RGBA, pixels as 0xAARRGGBB words, rows top first.
bool WritePngFile(const std::string &path, int width, int height, const std::vector<uint32_t> &pixels);
bool ReadPngFile(const std::string &path, int *width, int *height, std::vector<uint32_t> *pixels);

// The image rows of a bitmap as 0xAARRGGBB words, top row first.
std::vector<uint32_t> BitmapPixels(GFX_IBitmap *bitmap);
