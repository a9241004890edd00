#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "gfx/gfx.h"
#include "host/cli/contact_sheet.h"
#include "host/cli/ini_override.h"
#include "host/cli/output_folder.h"
#include "host/cli/preview_run.h"
#include "host/cli/progress_bar.h"
#include "host/cli/song_audio.h"
#include "imagefile/png_write.h"

namespace qlv::cli {
namespace {
namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "qlv-cli-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void Touch(const fs::path& p, const std::string& text = "x") { std::ofstream(p) << text; }

int CountEntries(const fs::path& dir) {
  int n = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

TEST(OutputFolder, NothingAppearsUntilCommitAndOldResultsAreReplaced) {
  TempDir tmp;
  const fs::path out = fs::path(tmp.path()) / "render";
  fs::create_directories(out);
  Touch(out / "frame_000001.png", "old");
  Touch(out / "frame_000099.png", "old");  // from a longer earlier render
  Touch(out / "notes.txt", "mine");        // not ours: must survive
  {
    OutputFolder folder;
    std::string error;
    ASSERT_TRUE(folder.Prepare(out.string(), &error)) << error;
    Touch(folder.StagedPath("frame_000001.png"), "new");
    Touch(folder.StagedPath("contact_sheet.png"), "new");
    EXPECT_FALSE(fs::exists(out / "contact_sheet.png")) << "staged files must stay hidden until the end";
    ASSERT_TRUE(folder.Commit(&error)) << error;
  }
  EXPECT_TRUE(fs::exists(out / "contact_sheet.png"));
  EXPECT_FALSE(fs::exists(out / "frame_000099.png"));
  EXPECT_TRUE(fs::exists(out / "notes.txt"));
  std::ifstream in(out / "frame_000001.png");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "new");
  EXPECT_EQ(CountEntries(out), 3) << "no staging folder may be left behind";
}

TEST(OutputFolder, AnAbandonedRenderLeavesNothing) {
  TempDir tmp;
  const fs::path out = fs::path(tmp.path()) / "fresh";
  {
    OutputFolder folder;
    std::string error;
    ASSERT_TRUE(folder.Prepare(out.string(), &error)) << error;
    Touch(folder.StagedPath("frame_000001.png"));
  }
  EXPECT_FALSE(fs::exists(out)) << "a folder made for a failed render goes with it";
  {
    // The summary names a folder with one separator at its end, also when given with one ("/").
    OutputFolder folder;
    std::string error;
    ASSERT_TRUE(folder.Prepare(out.string() + "/", &error)) << error;
    EXPECT_EQ(folder.DisplayName(), out.string() + "/");
  }
  // A folder that was there before stays, and keeps what it held.
  fs::create_directories(out);
  Touch(out / "notes.txt");
  {
    OutputFolder folder;
    std::string error;
    ASSERT_TRUE(folder.Prepare(out.string(), &error)) << error;
  }
  EXPECT_EQ(CountEntries(out), 1);
}

TEST(SongAudio, UsualStemsByNameUnlessTheChartNamesItsOwn) {
  TempDir tmp;
  const fs::path dir = tmp.path();
  for (const char* name : {"song.mp3", "song.ogg", "GUITAR.flac", "drums_5.ogg", "notes.txt", "music.opus"})
    Touch(dir / name);
  fs::create_directories(dir / "vocals.ogg");  // a folder, not a stem
  auto names = [](const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const std::string& p : paths) out.push_back(fs::path(p).filename().string());
    return out;
  };
  // One file per stem (.ogg before .mp3), any case, only the usual names, in their order.
  EXPECT_EQ(names(FindSongAudio(dir.string(), {})), (std::vector<std::string>{"song.ogg", "GUITAR.flac"}));
  // The chart's own names win when they exist, and are ignored when they do not.
  EXPECT_EQ(names(FindSongAudio(dir.string(), {"music.opus", "gone.ogg"})), (std::vector<std::string>{"music.opus"}));
  EXPECT_EQ(names(FindSongAudio(dir.string(), {"gone.ogg"})), (std::vector<std::string>{"song.ogg", "GUITAR.flac"}));
  std::string error;
  EXPECT_FALSE(CheckAudioFile((dir / "vocals.ogg").string(), &error));
  EXPECT_NE(error.find("vocals.ogg"), std::string::npos);
  Touch(dir / "empty.wav", "");
  EXPECT_FALSE(CheckAudioFile((dir / "empty.wav").string(), &error));
  EXPECT_TRUE(CheckAudioFile((dir / "song.ogg").string(), &error)) << error;
}

TEST(OutputFolder, RefusesAFileOrAnUnwritablePlace) {
  TempDir tmp;
  const fs::path file = fs::path(tmp.path()) / "plain.txt";
  Touch(file);
  OutputFolder folder;
  std::string error;
  EXPECT_FALSE(folder.Prepare(file.string(), &error));
  EXPECT_NE(error.find("plain.txt"), std::string::npos) << error;
  EXPECT_FALSE(folder.Prepare((file / "sub").string(), &error));
  EXPECT_NE(error.find("cannot write to output folder"), std::string::npos) << error;
  if (geteuid() != 0) {  // root may write anywhere
    const fs::path locked = fs::path(tmp.path()) / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(folder.Prepare(locked.string(), &error));
  }
}

TEST(OutputFolder, KnowsItsOwnFileNames) {
  EXPECT_TRUE(OutputFolder::IsOurFile("frame_000123.png"));
  EXPECT_TRUE(OutputFolder::IsOurFile("contact_sheet.png"));
  EXPECT_TRUE(OutputFolder::IsOurFile("preview.mp4"));
  EXPECT_FALSE(OutputFolder::IsOurFile("frame_000123.txt"));
  EXPECT_FALSE(OutputFolder::IsOurFile("song.mid"));
  EXPECT_FALSE(OutputFolder::IsOurFile("myframe_1.png"));
}

TEST(SheetFrameIndexes, SpreadsEvenlyFromFirstToLast) {
  EXPECT_EQ(SheetFrameIndexes(300, 4), (std::vector<int64_t>{0, 100, 199, 299}));
  EXPECT_EQ(SheetFrameIndexes(13, 12).front(), 0);
  EXPECT_EQ(SheetFrameIndexes(13, 12).back(), 12);
  EXPECT_EQ(SheetFrameIndexes(5, 12), (std::vector<int64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(SheetFrameIndexes(1, 12), (std::vector<int64_t>{0}));
  EXPECT_TRUE(SheetFrameIndexes(100, 0).empty());
  EXPECT_TRUE(SheetFrameIndexes(0, 5).empty());
  // Huge renders must not overflow the spacing arithmetic.
  auto big = SheetFrameIndexes(int64_t{1} << 40, 3);
  EXPECT_EQ(big, (std::vector<int64_t>{0, (int64_t{1} << 39), (int64_t{1} << 40) - 1}));
}

TEST(ContactSheet, PlacesScaledThumbnailsInRowsOfFour) {
  const int fw = 640, fh = 360;
  std::vector<uint32_t> frame(static_cast<size_t>(fw) * fh, 0xFF2040C0u);
  ContactSheet sheet(6, fw, fh);
  // 4 columns of 320-pixel thumbnails with 8-pixel gaps; 2 rows of 180 + label.
  EXPECT_EQ(sheet.width(), 8 + 4 * (320 + 8));
  EXPECT_EQ(sheet.height(), 8 + 2 * (180 + 12 + 8));
  sheet.Place(5, frame.data(), "0:01.00");
  // Slot 5 is row 1, column 1: its centre carries the frame's colour; slot 0 stays background.
  const int x = 8 + 1 * 328 + 160, y = 8 + 1 * 200 + 90;
  EXPECT_EQ(sheet.pixels()[static_cast<size_t>(y) * sheet.width() + x], 0xFF2040C0u);
  EXPECT_NE(sheet.pixels()[static_cast<size_t>(8 + 90) * sheet.width() + 8 + 160], 0xFF2040C0u);
  // Out-of-range slots are ignored rather than written past the sheet.
  sheet.Place(6, frame.data(), "x");
  sheet.Place(-1, frame.data(), "x");
}

TEST(ProgressBar, FormatsFractionCountAndTimeLeft) {
  EXPECT_EQ(ProgressBar::Format(0, 300, 0.0, 10), "[..........]   0%  0/300 frames");
  EXPECT_EQ(ProgressBar::Format(150, 300, 5.0, 10), "[#####.....]  50%  150/300 frames  5s left");
  EXPECT_EQ(ProgressBar::Format(300, 300, 9.0, 10), "[##########] 100%  300/300 frames");
  // Out-of-range counts are clamped instead of drawing past the bar.
  EXPECT_EQ(ProgressBar::Format(400, 300, 1.0, 4), "[####] 100%  300/300 frames");
}

TEST(TimeLabel, MinutesSecondsHundredths) {
  EXPECT_EQ(TimeLabel(0.0), "0:00.00");
  EXPECT_EQ(TimeLabel(65.25), "1:05.25");
  EXPECT_EQ(TimeLabel(599.999), "10:00.00");
  EXPECT_EQ(TimeLabel(-3.0), "0:00.00");
}

TEST(IniOverride, WritesTheOffsetWhereTheHostPointsAndCleansUp) {
  std::string path;
  {
    IniOverride ini;
    std::string error;
    ASSERT_TRUE(ini.Create(-12, &error)) << error;
    path = ini.path();
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "[qlview]\ntimeoffs=-12\n");
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("qlview", "timeoffs", 99, path.c_str())), -12);
  }
  EXPECT_FALSE(fs::exists(path));
}

// Every level (the fast ones have a writer of their own where libdeflate is built in), a tiny
// picture and one of several deflate blocks, each word different in every byte.
TEST(WritePngFile, RoundTripsThroughThePluginsLoaderExactly) {
  TempDir tmp;
  for (const int w : {7, 613}) {
    const int h = w == 7 ? 5 : 331;
    std::vector<uint32_t> pixels(static_cast<size_t>(w + 3) * h);
    uint32_t seed = 0x10203040u;
    for (size_t i = 0; i < pixels.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      // Runs of repeated and of gently changing words, as in rendered frames, and noise.
      pixels[i] = (i / 97) % 3 == 0 ? seed : static_cast<uint32_t>((i / 13) * 0x01030507u + 0x10203040u);
    }
    for (int level = 0; level <= 9; ++level) {
      SCOPED_TRACE(std::to_string(w) + " wide, level " + std::to_string(level));
      const std::string path = (fs::path(tmp.path()) / "p.png").string();
      std::string error;
      // Pitch wider than the width: the padding words must not leak into the file.
      ASSERT_TRUE(tools::WritePngFile(path, tools::PixelView{pixels.data(), w, h, w + 3}, level, &error)) << error;
      std::unique_ptr<GFX_IBitmap> bitmap(GFX_ReadPngFile(path.c_str(), nullptr));
      ASSERT_NE(bitmap, nullptr);
      ASSERT_EQ(bitmap->PixelWidth(), w);
      ASSERT_EQ(bitmap->PixelHeight(), h);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(bitmap->PixelData()[y * bitmap->RowPitch() + x], pixels[static_cast<size_t>(y) * (w + 3) + x])
              << x << "," << y;
        }
      }
    }
  }
}

TEST(WritePngFile, FailsCleanlyAndLeavesNoFile) {
  TempDir tmp;
  uint32_t one = 0xFFFFFFFFu;
  std::string error;
  const std::string nowhere = (fs::path(tmp.path()) / "missing" / "p.png").string();
  EXPECT_FALSE(tools::WritePngFile(nowhere, tools::PixelView{&one, 1, 1, 1}, 6, &error));
  EXPECT_NE(error.find(nowhere), std::string::npos) << error;
  const std::string empty = (fs::path(tmp.path()) / "e.png").string();
  EXPECT_FALSE(tools::WritePngFile(empty, tools::PixelView{&one, 0, 1, 1}, 6, &error));
  EXPECT_FALSE(tools::WritePngFile(empty, tools::PixelView{nullptr, 1, 1, 1}, 6, &error));
  EXPECT_FALSE(tools::WritePngFile(empty, tools::PixelView{&one, 2, 1, 1}, 6, &error)) << "pitch below width";
  EXPECT_FALSE(fs::exists(empty));
}

}  // namespace
}  // namespace qlv::cli
