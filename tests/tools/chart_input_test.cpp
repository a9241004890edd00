// What qlv-preview makes of a song folder: which chart file, and what song.ini settles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/chart_builder.h"
#include "host/cli/chart_input.h"

namespace qlv::cli {
namespace {
namespace fs = std::filesystem;

class ChartInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("chart_input_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::string error;
    ChartBuilder drums(192, "PART DRUMS");
    drums.Note(0, 96, 10);
    ASSERT_TRUE(drums.WriteFile((dir_ / "notes.mid").string(), &error)) << error;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Ini(const std::string& text) { std::ofstream(dir_ / "song.ini", std::ios::binary) << text; }

  ChartInput Open(std::vector<std::string> args) {
    std::vector<const char*> argv = {"qlv-preview", dir_.c_str()};
    for (const std::string& a : args) argv.push_back(a.c_str());
    PreviewOptions options;
    std::string error;
    EXPECT_EQ(ParseOptions(static_cast<int>(argv.size()), argv.data(), &options, &error), ParseResult::kRun) << error;
    ChartInput input;
    EXPECT_TRUE(OpenChartInput(options, "", &input, &error)) << error;
    return input;
  }

  fs::path dir_;
};

TEST_F(ChartInputTest, SongIniSettlesDrumKindHammerOnsAndDelayUnlessTheCommandLineDoes) {
  Ini("[Song]\nName = Tune\nArtist = Band\ndelay = 300\nhopo_frequency = 80\npro_drums = True\n");
  ChartInput input = Open({"-i", "drums"});
  EXPECT_EQ(input.mode, Mode::kProDrums);
  EXPECT_EQ(input.hopo_threshold, 200);  // 80 ticks at 192 per quarter
  EXPECT_EQ(input.song.delay_ms, 300);
  EXPECT_EQ(input.song.Caption(), "Band - Tune");
  EXPECT_EQ(input.song.chart_path, (dir_ / "notes.mid").string());
  ASSERT_TRUE(input.project);

  input = Open({"-i", "drums-std", "--hopo", "100"});
  EXPECT_EQ(input.mode, Mode::kDrums);
  EXPECT_EQ(input.hopo_threshold, 100);

  Ini("[song]\neighthnote_hopo = 1\nfive_lane_drums = 1\n");
  input = Open({"-i", "drums"});
  EXPECT_EQ(input.hopo_threshold, 250);
  EXPECT_EQ(input.mode, Mode::kProDrums);
  EXPECT_EQ(input.song.delay_ms, 0);
}

TEST_F(ChartInputTest, TheFolderNamesItsChartAndNoticesWhatItSkips) {
  std::ofstream(dir_ / "NOTES.CHART") << "[Song]\n{\nResolution = 192\nName = \"From Chart\"\nOffset = 1.5\n"
                                          "MusicStream = \"song.ogg\"\n}\n[ExpertSingle]\n{\n0 = N 7 0\n}\n";
  Ini("[song]\nbroken\n");
  ChartInput input = Open({});
  EXPECT_EQ(input.song.chart_path, (dir_ / "notes.mid").string());
  ASSERT_EQ(input.notices.size(), 2u);
  EXPECT_NE(input.notices[0].find("notes.mid is shown"), std::string::npos) << input.notices[0];
  EXPECT_NE(input.notices[1].find("song.ini:2:"), std::string::npos) << input.notices[1];

  fs::remove(dir_ / "notes.mid");
  fs::remove(dir_ / "song.ini");
  input = Open({});
  EXPECT_EQ(input.song.name, "From Chart");
  EXPECT_TRUE(input.song.has_chart_offset);
  EXPECT_EQ(input.song.chart_offset_seconds, 1.5);
  ASSERT_EQ(input.song.streams.size(), 1u);
  EXPECT_EQ(input.song.streams[0].second, "song.ogg");
  ASSERT_EQ(input.notices.size(), 1u);
  EXPECT_NE(input.notices[0].find("1 open notes"), std::string::npos) << input.notices[0];

  fs::remove(dir_ / "NOTES.CHART");
  PreviewOptions options;
  options.chart = dir_.string();
  std::string error;
  EXPECT_FALSE(OpenChartInput(options, "", &input, &error));
  EXPECT_NE(error.find("no notes.mid or notes.chart"), std::string::npos) << error;
}

}  // namespace
}  // namespace qlv::cli
