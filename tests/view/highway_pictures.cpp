#include "highway_pictures.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>


namespace {

const char *const LANE_COLOURS[5] = {"green", "red", "yellow", "blue", "orange"};

std::vector<std::string> BuildNames() {
    std::vector<std::string> names = {"QLV_background1", "track_guitar", "track_drum"};
    for (const char *c : LANE_COLOURS) names.push_back(std::string("sustain_") + c);
    names.push_back("sustain_style");
    for (const char *c : LANE_COLOURS) names.push_back(std::string("sustain_") + c + "_hi");
    names.push_back("sustain_style_hi");
    for (const char *c : LANE_COLOURS) names.push_back(std::string("gem_") + c);
    for (const char *c : LANE_COLOURS) names.push_back(std::string("gem_hopo_") + c);
    for (const char *n : {"gem_cym_yellow", "gem_cym_blue", "gem_cym_green", "gem_style", "gem_hopo_style",
                          "gem_cym_style", "gem_kick", "gem_kick_style", "beat_marker", "half_beat_marker",
                          "measure"})
        names.push_back(n);
    for (const char *c : LANE_COLOURS) names.push_back(std::string("smash_flare_") + c);
    names.push_back("smash_flare_style");
    for (int i = 1; i <= 10; ++i) names.push_back("smash_" + std::to_string(i));
    for (int i = 1; i <= 7; ++i) names.push_back("kick_flash_" + std::to_string(i));
    return names;
}

bool StartsWith(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

// Natural sizes of the pictures, chosen so that aspect ratios resemble real artwork.
void SizeOf(const std::string &name, int *w, int *h) {
    if (StartsWith(name, "sustain_")) { *w = 30; *h = 4; }
    else if (name == "gem_kick" || name == "gem_kick_style") { *w = 256; *h = 16; }
    else if (StartsWith(name, "kick_flash_")) { *w = 256; *h = 32; }
    else if (StartsWith(name, "gem_")) { *w = 64; *h = 40; }
    else if (name == "beat_marker" || name == "half_beat_marker" || name == "measure") { *w = 256; *h = 8; }
    else if (StartsWith(name, "smash")) { *w = 64; *h = 64; }
    else if (name == "QLV_background1") { *w = 64; *h = 64; }
    else { *w = 256; *h = 256; }
}

struct Canvas {
    int w, h;
    std::vector<uint32_t> px;
    Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height, 0u) {}
    void Put(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[static_cast<size_t>(y) * w + x] = c;
    }
    // Pixels whose centre lies inside ((x - cx) / rx)^2 + ((y - cy) / ry)^2 <= 1.
    void Ellipse(double cx, double cy, double rx, double ry, uint32_t c) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) Put(x, y, c);
            }
    }
    void Diamond(double cx, double cy, double rx, double ry, uint32_t c) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (std::fabs(x + 0.5 - cx) / rx + std::fabs(y + 0.5 - cy) / ry <= 1.0) Put(x, y, c);
    }
    void Rows(int y0, int y1, uint32_t c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = 0; x < w; ++x) Put(x, y, c);
    }
};

uint32_t WithAlpha(uint32_t c, int a) { return (c & 0xFFFFFFu) | (static_cast<uint32_t>(a) << 24); }
uint32_t Scale(uint32_t c, double f) {
    auto ch = [&](int shift) {
        const double v = ((c >> shift) & 0xFF) * f;
        return static_cast<uint32_t>(v > 255.0 ? 255.0 : v) << shift;
    };
    return (c & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}
uint32_t Lighten(uint32_t c, double f) {
    auto ch = [&](int shift) {
        const double v = ((c >> shift) & 0xFF);
        return static_cast<uint32_t>(v + (255.0 - v) * f) << shift;
    };
    return (c & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}

constexpr uint32_t STYLE = 0xFF40E0E0u;
constexpr uint32_t KICK = 0xFFB060F0u;

uint32_t ColourWord(const std::string &name) {
    static const std::map<std::string, uint32_t> lanes = {
        {"green", 0xFF20C040u}, {"red", 0xFFE02828u}, {"yellow", 0xFFF0D020u},
        {"blue", 0xFF3070F0u},  {"orange", 0xFFF08020u}, {"style", STYLE}};
    for (const auto &[key, colour] : lanes)
        if (name.find(key) != std::string::npos) return colour;
    return STYLE;
}

TestPicture Shaped(const std::string &name) {
    int w, h;
    SizeOf(name, &w, &h);
    Canvas c(w, h);
    const uint32_t colour = ColourWord(name);
    if (name == "QLV_background1") {
        for (int y = 0; y < h; ++y) {
            const double t = y / double(h - 1);
            const uint32_t r = static_cast<uint32_t>(0x10 * (1 - t)), g = static_cast<uint32_t>(0x18 * (1 - t)),
                           b = static_cast<uint32_t>(0x30 * (1 - t) + 0x08 * t);
            for (int x = 0; x < w; ++x) c.Put(x, y, 0xFF000000u | r << 16 | g << 8 | b);
        }
    } else if (StartsWith(name, "track_")) {
        // The board in perspective: its edges run through the lane extents at the strike line
        // and at the far end. Lane dividers, edges and the strike line are 4 x 4 supersampled.
        const bool drums = name == "track_drum";
        const double near_row = 0.765625, far_row = 0.21875, near_half = 0.390625, far_half = 0.1865234375;
        const std::vector<double> dividers = drums ? std::vector<double>{-0.475, 0.0, 0.475}
                                                   : std::vector<double>{-0.6, -0.2, 0.2, 0.6};
        const uint32_t board = drums ? 0xE0202830u : 0xE0282820u;
        for (int y = static_cast<int>(far_row * h); y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int inside = 0, line = 0, edge = 0, strike = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double fy = (y + (sy + 0.5) / 4) / h, fx = (x + (sx + 0.5) / 4) / w;
                        const double unit = far_half + (fy - far_row) / (near_row - far_row) * (near_half - far_half);
                        const double lat = (fx - 0.5) / unit;
                        if (fy < far_row || std::fabs(lat) > 1.03) continue;
                        ++inside;
                        if (std::fabs(lat) > 0.99) ++edge;
                        else if (std::fabs(fy - near_row) * h < 0.9) ++strike;
                        else
                            for (double d : dividers)
                                if (std::fabs(lat - d) * unit * w < 0.5) ++line;
                    }
                if (!inside) continue;
                auto mix = [](uint32_t a, uint32_t b, int n) {  // n of 16 parts b
                    uint32_t out = 0;
                    for (int shift = 0; shift < 32; shift += 8)
                        out |= (((a >> shift) & 0xFF) * (16 - n) + ((b >> shift) & 0xFF) * n) / 16 << shift;
                    return out;
                };
                uint32_t px = mix(board, 0xFF606070u, line);
                px = mix(px, 0xFFA0A0B0u, edge);
                px = mix(px, 0xFFF0F0F0u, strike);
                c.Put(x, y, WithAlpha(px, static_cast<int>((px >> 24) * inside / 16)));
            }
    } else if (StartsWith(name, "sustain_")) {
        const bool hi = name.size() > 3 && name.compare(name.size() - 3, 3, "_hi") == 0;
        c.Rows(0, h - 1, hi ? Lighten(colour, 0.45) : WithAlpha(Scale(colour, 0.8), 210));
    } else if (name == "gem_kick" || name == "gem_kick_style") {
        const uint32_t k = name == "gem_kick" ? KICK : STYLE;
        c.Rows(3, 12, Scale(k, 0.6));
        c.Rows(5, 10, k);
    } else if (StartsWith(name, "kick_flash_")) {
        const int frame = std::atoi(name.c_str() + 11);
        c.Ellipse(128, 16, 124 - frame * 6, 15, WithAlpha(Lighten(KICK, 0.5), 230 - frame * 25));
    } else if (StartsWith(name, "gem_cym")) {
        c.Diamond(32, 20, 31, 19, Scale(colour, 0.55));
        c.Diamond(32, 20, 26, 14, colour);
        c.Rows(19, 20, 0xFFF0F0F0u);
        for (int x = 0; x < w; ++x)
            for (int y = 19; y <= 20; ++y)
                if (std::fabs(x + 0.5 - 32) / 26 + std::fabs(y + 0.5 - 20) / 14 > 1.0) c.Put(x, y, 0);
    } else if (StartsWith(name, "gem_")) {
        c.Ellipse(32, 20, 31, 19, Scale(colour, 0.5));
        c.Ellipse(32, 20, 26, 14, colour);
        if (name.find("hopo") != std::string::npos) {
            c.Ellipse(32, 20, 17, 9, 0xFFFFFFFFu);
            c.Ellipse(32, 20, 11, 5, Scale(colour, 0.35));
        } else {
            c.Ellipse(24, 14, 9, 4, Lighten(colour, 0.6));
        }
    } else if (name == "beat_marker") {
        c.Rows(3, 4, 0xC8E0E0E0u);
    } else if (name == "half_beat_marker") {
        c.Rows(4, 4, 0x6EA0A0A0u);
    } else if (name == "measure") {
        c.Rows(2, 5, 0xFFFFFFFFu);
    } else if (StartsWith(name, "smash_flare_")) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double r = std::hypot(x + 0.5 - 32, y + 0.5 - 32) / 32;
                if (r < 1.0) c.Put(x, y, WithAlpha(Lighten(colour, 0.5), static_cast<int>(255 * (1 - r) * (1 - r))));
            }
    } else if (StartsWith(name, "smash_")) {
        const int frame = std::atoi(name.c_str() + 6);
        const double radius = 6 + 2.4 * frame;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double r = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
                if (std::fabs(r - radius) < 2.5) c.Put(x, y, WithAlpha(0xFFFFF0A0u, 255 - 18 * frame));
            }
    }
    return TestPicture{name, w, h, std::move(c.px)};
}

}  // namespace

const std::vector<std::string> &ImageSetNames() {
    static const std::vector<std::string> names = BuildNames();
    return names;
}

uint32_t SolidColour(const std::string &name) {
    const std::vector<std::string> &names = ImageSetNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name) continue;
        const uint32_t n = static_cast<uint32_t>(i);
        return 0xFF000000u | (0x20 + 3 * n) << 16 | (0x30 + 2 * n) << 8 | (0xE0 - 3 * n);
    }
    return 0;
}

std::string SolidPictureAt(uint32_t pixel) {
    for (const std::string &name : ImageSetNames())
        if (SolidColour(name) == pixel) return name;
    return "";
}

std::vector<TestPicture> SolidPictureSet() {
    std::vector<TestPicture> set;
    for (const std::string &name : ImageSetNames()) {
        TestPicture p{name, 0, 0, {}};
        SizeOf(name, &p.width, &p.height);
        p.pixels.assign(static_cast<size_t>(p.width) * p.height, SolidColour(name));
        if (StartsWith(name, "sustain_")) {
            for (uint32_t &px : p.pixels) px = SUSTAIN_EDGE_COLOUR;
            const int third = p.width / 3;
            for (int x = third; x < 2 * third; ++x) p.pixels[x] = SolidColour(name);
        }
        set.push_back(std::move(p));
    }
    return set;
}

std::vector<TestPicture> ShapedPictureSet() {
    std::vector<TestPicture> set;
    for (const std::string &name : ImageSetNames()) set.push_back(Shaped(name));
    return set;
}

bool WritePictureFolder(const std::vector<TestPicture> &set, const std::string &dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir + "/qlview", ec);
    if (ec) return false;
    for (const TestPicture &p : set)
        if (!WritePngFile(dir + "/qlview/" + p.name + ".png", p.width, p.height, p.pixels)) return false;
    return true;
}

std::string MakeTempDir(const char *tag) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string("qlv-") + tag + "-XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return "";
    return std::string(buf.data());
}

void RemoveTree(const std::string &dir) {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

bool WritePngFile(const std::string &path, int width, int height, const std::vector<uint32_t> &pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return false;
    std::vector<unsigned char> bytes(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        bytes[i * 4 + 0] = static_cast<unsigned char>(pixels[i] >> 16);
        bytes[i * 4 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        bytes[i * 4 + 2] = static_cast<unsigned char>(pixels[i]);
        bytes[i * 4 + 3] = static_cast<unsigned char>(pixels[i] >> 24);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const bool ok = png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool ReadPngFile(const std::string &path, int *width, int *height, std::vector<uint32_t> *pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    pixels->resize(static_cast<size_t>(*width) * *height);
    for (size_t i = 0; i < pixels->size(); ++i) {
        (*pixels)[i] = static_cast<uint32_t>(bytes[i * 4 + 3]) << 24 | static_cast<uint32_t>(bytes[i * 4]) << 16 |
                       static_cast<uint32_t>(bytes[i * 4 + 1]) << 8 | bytes[i * 4 + 2];
    }
    return true;
}
