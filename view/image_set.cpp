#include "view/image_set.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/gfx.h"
#include "state/growbuf.h"
#include "state/instance.h"

GFX_MemBitmap *background_image = nullptr;
GFX_MemBitmap *guitar_track_image = nullptr;
GFX_MemBitmap *drum_track_image = nullptr;
GFX_MemBitmap *sustain_images[SUSTAIN_COUNT] = {};
GFX_MemBitmap *sustain_hi_images[SUSTAIN_COUNT] = {};
GFX_MemBitmap *slot_images[SLOT_COUNT] = {};

namespace {

// Scaled copies per slot, ascending by width, pairwise different widths. Built empty when the
// library loads and released when it unloads; the copies themselves are deleted by the flush.
PtrList<GFX_MemBitmap> scaled_copies[SLOT_COUNT];

// The plug-in's folder, found on the first load and then kept.
char module_folder[2048];

#ifdef _WIN32
constexpr const char *PICTURE_FOLDER = "\\qlview\\";
#else
constexpr const char *PICTURE_FOLDER = "/qlview/";
#endif
constexpr const char *PICTURE_EXTENSION = ".png";

constexpr int32_t PLACEHOLDER_SIZE = 128;
constexpr GFX_Color32 PLACEHOLDER_INK = 0xFFFFFFFF;
constexpr GFX_Color32 PLACEHOLDER_ALPHA = 0x19000000;
constexpr int PLACEHOLDER_CHANNEL_MASK = 0x5F;

const char *const SUSTAIN_NAMES[SUSTAIN_COUNT] = {"sustain_green", "sustain_red",    "sustain_yellow",
                                                   "sustain_blue",  "sustain_orange", "sustain_style"};
const char *const SUSTAIN_HI_NAMES[SUSTAIN_COUNT] = {"sustain_green_hi", "sustain_red_hi",    "sustain_yellow_hi",
                                                      "sustain_blue_hi",  "sustain_orange_hi", "sustain_style_hi"};
const char *const SLOT_NAMES[SLOT_COUNT] = {
    "gem_green",         "gem_red",          "gem_yellow",        "gem_blue",          "gem_orange",
    "gem_hopo_green",    "gem_hopo_red",     "gem_hopo_yellow",   "gem_hopo_blue",     "gem_hopo_orange",
    "gem_cym_yellow",    "gem_cym_blue",     "gem_cym_green",     "gem_style",         "gem_hopo_style",
    "gem_cym_style",     "gem_kick",         "gem_kick_style",    "beat_marker",       "half_beat_marker",
    "measure",           "smash_flare_green", "smash_flare_red",  "smash_flare_yellow", "smash_flare_blue",
    "smash_flare_orange", "smash_flare_style", "smash_1",         "smash_2",           "smash_3",
    "smash_4",           "smash_5",          "smash_6",           "smash_7",           "smash_8",
    "smash_9",           "smash_10",         "kick_flash_1",      "kick_flash_2",      "kick_flash_3",
    "kick_flash_4",      "kick_flash_5",     "kick_flash_6",      "kick_flash_7",
};

// Slot load order after the sustains; it decides which random colour each placeholder gets.
const int32_t SLOT_LOAD_ORDER[SLOT_COUNT] = {
    0,  1,  2,  3,  4,                                  // gems
    21, 22, 23, 24, 25, 26,                             // sustain flares
    5,  6,  7,  8,  9,                                  // hopo gems
    10, 11, 12, 16, 18, 19, 20, 13, 14, 15, 17,         // cymbals, kick, markers, style gems
    27, 28, 29, 30, 31, 32, 33, 34, 35, 36,             // hit frames
    37, 38, 39, 40, 41, 42, 43,                         // kick flash frames
};

void FindModuleFolder() {
    const DWORD length = GetModuleFileNameA(module_handle, module_folder, sizeof module_folder);
    if (length == 0) {
        module_folder[0] = '\0';
        return;
    }
    module_folder[sizeof module_folder - 1] = '\0';  // a cut name need not be terminated
    // Keep everything before the last separator (a separator in the first character does not
    // count); with none the folder is empty.
    for (size_t i = std::strlen(module_folder); i-- > 1;) {
        if (module_folder[i] == '\\' || module_folder[i] == '/') {
            module_folder[i] = '\0';
            return;
        }
    }
    module_folder[0] = '\0';
}

// Appends `text` to the path being built; false when the buffer could not grow.
bool AppendText(GrowBuf *path, const char *text) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    if (length == 0) return true;
    const int32_t old_used = path->used;
    path->Resize(old_used + length, false);
    if (path->used != old_used + length) return false;
    std::memcpy(path->data + old_used, text, static_cast<size_t>(length));
    return true;
}

GFX_MemBitmap *MakePlaceholder(const char *name) {
    auto *picture = new (std::nothrow) GFX_MemBitmap(PLACEHOLDER_SIZE, PLACEHOLDER_SIZE);
    if (!picture) return nullptr;
    // Three values in this order: red, green, blue.
    const int red = std::rand() & PLACEHOLDER_CHANNEL_MASK;
    const int green = std::rand() & PLACEHOLDER_CHANNEL_MASK;
    const int blue = std::rand() & PLACEHOLDER_CHANNEL_MASK;
    const GFX_Color32 fill = PLACEHOLDER_ALPHA | static_cast<GFX_Color32>(red) << 16 |
                             static_cast<GFX_Color32>(green) << 8 | static_cast<GFX_Color32>(blue);
    // The outline's right and bottom lines fall just outside the bitmap, so the picture shows a
    // white top row and left column around the fill.
    GFX_FramedBox(picture, 0, 0, PLACEHOLDER_SIZE, PLACEHOLDER_SIZE, fill, PLACEHOLDER_INK, 1.0f, GFX_COMBINE_COPY);
    GFX_PrintString(picture, 2, 2, name, PLACEHOLDER_INK, 1.0f, GFX_COMBINE_COPY);
    return picture;
}

void DestroyPicture(GFX_MemBitmap **picture) {
    delete *picture;
    *picture = nullptr;
}

}  // namespace

GFX_MemBitmap *LoadHighwayImage(const char *name, bool noPlaceholder) {
    if (!name) name = "";
    if (module_folder[0] == '\0') FindModuleFolder();

    GFX_IBitmap *loaded = nullptr;
    {
        GrowBuf path(128);
        if (AppendText(&path, module_folder) && AppendText(&path, PICTURE_FOLDER) && AppendText(&path, name) &&
            AppendText(&path, PICTURE_EXTENSION)) {
            const int32_t length = path.used;
            path.Resize(length + 1, false);  // room for the terminator
            if (path.used == length + 1) {
                path.data[length] = '\0';
                loaded = GFX_ReadPngFile(reinterpret_cast<const char *>(path.data), nullptr);
            }
        }
    }
    // The loader hands back a new heap bitmap when given none to fill.
    if (loaded) return static_cast<GFX_MemBitmap *>(loaded);
    if (noPlaceholder) return nullptr;
    return MakePlaceholder(name);
}

void LoadImageSet() {
    ReleaseImageSet();  // nothing is held in the normal course; a stray second call leaks nothing

    background_image = LoadHighwayImage("QLV_background1", false);
    guitar_track_image = LoadHighwayImage("track_guitar", false);
    drum_track_image = LoadHighwayImage("track_drum", false);
    for (int32_t i = 0; i < SUSTAIN_COUNT; ++i) sustain_images[i] = LoadHighwayImage(SUSTAIN_NAMES[i], false);
    for (int32_t i = 0; i < SUSTAIN_COUNT; ++i) sustain_hi_images[i] = LoadHighwayImage(SUSTAIN_HI_NAMES[i], true);
    for (int32_t slot : SLOT_LOAD_ORDER) slot_images[slot] = LoadHighwayImage(SLOT_NAMES[slot], false);
}

void ReleaseImageSet() {
    DestroyPicture(&background_image);
    DestroyPicture(&guitar_track_image);
    DestroyPicture(&drum_track_image);
    for (GFX_MemBitmap *&picture : slot_images) DestroyPicture(&picture);
    FlushScaledCopies();
    for (GFX_MemBitmap *&picture : sustain_images) DestroyPicture(&picture);
    for (GFX_MemBitmap *&picture : sustain_hi_images) DestroyPicture(&picture);
}

void DrawImageScaled(GFX_IBitmap *dest, int32_t slot, int32_t x, int32_t y, int32_t width, float alpha,
                     float anchor) {
    if (static_cast<uint32_t>(slot) >= static_cast<uint32_t>(SLOT_COUNT)) return;
    GFX_MemBitmap *source = slot_images[slot];
    if (!dest || !source || !source->PixelData()) return;
    const int32_t source_width = source->PixelWidth(), source_height = source->PixelHeight();
    if (source_width <= 0 || source_height <= 0 || width <= 0) return;

    // Height with the aspect ratio kept, rounded; the product is taken in 64 bits so that wide
    // requests cannot wrap.
    const double exact_height =
        static_cast<double>(int64_t{source_height} * int64_t{width}) / static_cast<double>(source_width) + 0.5;
    if (!(exact_height < 2147483648.0)) return;
    const int32_t height = static_cast<int32_t>(exact_height);
    if (height <= 0) return;

    // Find the copy of this width, or where it belongs in the ascending list.
    PtrList<GFX_MemBitmap> &list = scaled_copies[slot];
    const int32_t count = list.GetCount();
    GFX_MemBitmap *const *copies = list.Get();
    GFX_MemBitmap *copy = nullptr;
    int32_t position = 0;
    for (; position < count; ++position) {
        const int32_t copy_width = copies[position]->PixelWidth();
        if (copy_width == width) {
            copy = copies[position];
            break;
        }
        if (copy_width > width) break;
    }

    GFX_MemBitmap *uncached = nullptr;
    if (!copy) {
        copy = new (std::nothrow) GFX_MemBitmap(width, height);
        if (!copy) return;
        if (copy->PixelWidth() != width || copy->PixelHeight() != height) {
            delete copy;  // too large to hold: nothing to draw, and nothing worth keeping
            return;
        }
        GFX_DrawBitmapScaled(copy, source, 0, 0, width, height, 0.0f, 0.0f, static_cast<float>(source_width),
                             static_cast<float>(source_height), 1.0f, GFX_COMBINE_COPY | GFX_COMBINE_FILTERED);
        if (!list.Insert(position, copy)) uncached = copy;  // list full: draw once, then drop it
    }

    const float top = static_cast<float>(y) - static_cast<float>(height) * anchor;
    if (top >= -2147483648.0f && top < 2147483648.0f)
        GFX_DrawBitmap(dest, copy, x, static_cast<int32_t>(top), nullptr, alpha,
                       GFX_COMBINE_COPY | GFX_COMBINE_SOURCE_ALPHA);
    delete uncached;
}

void FlushScaledCopies() {
    for (PtrList<GFX_MemBitmap> &list : scaled_copies) {
        for (int32_t i = list.GetCount() - 1; i >= 0; --i) {
            delete list.Get()[i];
            list.Resize(i * static_cast<int32_t>(sizeof(GFX_MemBitmap *)), false);
        }
        list.Resize(0, false);
    }
}

int32_t ScaledCopyCount(int32_t slot) {
    if (static_cast<uint32_t>(slot) >= static_cast<uint32_t>(SLOT_COUNT)) return 0;
    return scaled_copies[slot].GetCount();
}

GFX_MemBitmap *ScaledCopyAt(int32_t slot, int32_t index) {
    if (static_cast<uint32_t>(slot) >= static_cast<uint32_t>(SLOT_COUNT)) return nullptr;
    return scaled_copies[slot].Get(index);
}
