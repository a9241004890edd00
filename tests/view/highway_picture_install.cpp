#include <cstddef>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "highway_pictures.h"
#include "view/image_set.h"

namespace {

// Where each picture lives in the image set.
GFX_MemBitmap **EntryFor(const std::string &name) {
    const std::vector<std::string> &names = ImageSetNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name) continue;
        if (i == 0) return &background_image;
        if (i == 1) return &guitar_track_image;
        if (i == 2) return &drum_track_image;
        if (i < 9) return &sustain_images[i - 3];
        if (i < 15) return &sustain_hi_images[i - 9];
        return &slot_images[i - 15];
    }
    return nullptr;
}

}  // namespace

bool InstallPictures(const std::vector<TestPicture> &set, const std::string &dir, std::string *error) {
    if (!WritePictureFolder(set, dir)) {
        *error = "cannot write the pictures into " + dir;
        return false;
    }
    for (const std::string &name : ImageSetNames()) {
        GFX_MemBitmap **entry = EntryFor(name);
        delete *entry;
        *entry = nullptr;
    }
    for (const TestPicture &p : set) {
        GFX_MemBitmap **entry = EntryFor(p.name);
        if (!entry) continue;
        const std::string path = dir + "/qlview/" + p.name + ".png";
        GFX_IBitmap *loaded = GFX_ReadPngFile(path.c_str(), nullptr);
        *entry = dynamic_cast<GFX_MemBitmap *>(loaded);
        if (!*entry) {
            delete loaded;
            *error = "cannot read back " + path;
            return false;
        }
    }
    FlushScaledCopies();
    return true;
}

std::vector<uint32_t> BitmapPixels(GFX_IBitmap *bitmap) {
    std::vector<uint32_t> out;
    if (!bitmap || !bitmap->PixelData()) return out;
    const int w = bitmap->PixelWidth(), h = bitmap->PixelHeight(), pitch = bitmap->RowPitch();
    out.reserve(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const int stored = bitmap->IsBottomUp() ? h - 1 - y : y;
        const GFX_Color32 *row = bitmap->PixelData() + static_cast<ptrdiff_t>(stored) * pitch;
        out.insert(out.end(), row, row + w);
    }
    return out;
}
