// A plug-in instance set up for drawing the highway in tests: installed test pictures, a chart
// written straight into its event list, a display position, and a back buffer to render into.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "highway_pictures.h"

class PreviewInstance;

class HighwayScene {
public:
    // Creates an instance (which loads the image set) and installs `pictures` over it from a
    // private temporary folder. Check ok() before use.
    explicit HighwayScene(const std::vector<TestPicture> &pictures);
    ~HighwayScene();
    HighwayScene(const HighwayScene &) = delete;
    HighwayScene &operator=(const HighwayScene &) = delete;

    bool ok() const { return error_.empty(); }
    const std::string &error() const { return error_; }
    PreviewInstance *instance() const { return instance_; }

    // Settings (mode 0 Guitar/Bass, 1 Pro Drums, 2 Drums (std), 3 Keys; skill 0..3).
    void SetMode(int mode);
    void SetSkill(int skill);
    // The position at the strike line, in samples.
    void SetNow(int64_t samples);
    int64_t Now() const { return now_; }
    // Samples in one lookahead at the current skill (the highway's full height).
    double LookaheadSamples() const;

    // Appends a chart event `ahead` samples after the current position (negative: already
    // past), lasting `length` samples, with the automatic hopo flag and an initial flare count.
    void Add(int note, int64_t ahead, int64_t length = 0, int hopo = 0, int flare = 0);
    // The same at a distance along the board, as a fraction of the lookahead.
    void AddAt(int note, double pos, double len = 0.0, int hopo = 0, int flare = 0);
    void ClearChart();

    // Sizes the back buffer to width x height and renders one frame.
    void Render(int width, int height);
    // The last frame's pixels (0xAARRGGBB, top row first) and one pixel of it.
    std::vector<uint32_t> Frame() const;
    uint32_t Pixel(int x, int y) const;
    // Number of pixels of the last frame that show the solid picture `name`.
    int Count(const std::string &name) const;
    // Number of draw-list records the last frame was made from.
    int ItemCount() const;

private:
    PreviewInstance *instance_ = nullptr;
    std::string dir_;
    std::string error_;
    int64_t now_ = 0;
};
