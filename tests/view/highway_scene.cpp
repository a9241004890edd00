#include "highway_scene.h"

#include <cmath>

#include "chart/acquisition.h"
#include "chart/extraction.h"
#include "gfx/gfx.h"
#include "state/instance.h"
#include "view/renderer.h"

namespace {

// The renderer never talks to the host; construction only stores the callback.
intptr_t SilentHost(AEffect *, int32_t, int32_t, intptr_t, void *, float) { return 0; }

}  // namespace

HighwayScene::HighwayScene(const std::vector<TestPicture> &pictures) {
    instance_ = new PreviewInstance(SilentHost);
    dir_ = MakeTempDir("highway");
    if (dir_.empty()) {
        error_ = "cannot make a temporary folder";
        return;
    }
    InstallPictures(pictures, dir_, &error_);
    SetSkill(3);
    SetNow(441000);
}

HighwayScene::~HighwayScene() {
    delete instance_;
    RemoveTree(dir_);
}

void HighwayScene::SetMode(int mode) {
    // As the editor's MODE control does: the board shows another track picture.
    instance_->mode = mode;
    instance_->highway_dirty = 1;
}
void HighwayScene::SetSkill(int skill) { instance_->skill = skill; }

void HighwayScene::SetNow(int64_t samples) {
    now_ = samples;
    instance_->display_position = static_cast<double>(samples);
}

double HighwayScene::LookaheadSamples() const {
    int skill = instance_->skill;
    skill = skill < 0 ? 0 : skill > 3 ? 3 : skill;
    return LOOKAHEAD_SECONDS[skill] * instance_->sample_rate;
}

void HighwayScene::Add(int note, int64_t ahead, int64_t length, int hopo, int flare) {
    ChartEvent e{};
    e.time = now_ + ahead;
    e.note = note;
    e.flare = flare;
    e.length = length;
    e.hopo = static_cast<uint8_t>(hopo);
    GrowBuf &events = instance_->chart_events;
    const int32_t old = events.used;
    events.Resize(old + static_cast<int32_t>(sizeof(ChartEvent)));
    if (events.used == old + static_cast<int32_t>(sizeof(ChartEvent)))
        *reinterpret_cast<ChartEvent *>(events.data + old) = e;
}

void HighwayScene::AddAt(int note, double pos, double len, int hopo, int flare) {
    const double l = LookaheadSamples();
    Add(note, static_cast<int64_t>(std::llround(pos * l)), static_cast<int64_t>(std::llround(len * l)), hopo, flare);
}

void HighwayScene::ClearChart() { instance_->chart_events.Resize(0); }

void HighwayScene::Render(int width, int height) {
    if (!instance_->back_buffer) {
        instance_->back_buffer = new GFX_SysBitmap(width, height);
    } else {
        instance_->back_buffer->SetSize(width, height);
    }
    RenderHighway(instance_, width, height);
}

std::vector<uint32_t> HighwayScene::Frame() const { return BitmapPixels(instance_->back_buffer); }

uint32_t HighwayScene::Pixel(int x, int y) const {
    GFX_IBitmap *b = instance_->back_buffer;
    if (!b || x < 0 || y < 0 || x >= b->PixelWidth() || y >= b->PixelHeight()) return 0;
    return b->PixelData()[static_cast<ptrdiff_t>(y) * b->RowPitch() + x];
}

int HighwayScene::Count(const std::string &name) const {
    const uint32_t colour = SolidColour(name);
    int n = 0;
    for (uint32_t px : Frame()) n += px == colour;
    return n;
}

int HighwayScene::ItemCount() const {
    return instance_->highway_items.used / static_cast<int>(sizeof(HighwayItem));
}
