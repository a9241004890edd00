// qlv-demo-chart: writes the bundled demo chart as a Standard MIDI File.
//   qlv-demo-chart OUTPUT.mid
#include <cstdio>
#include <string>

#include "host/smf_writer.h"
#include "tools/demo_chart/demo_song.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: qlv-demo-chart OUTPUT.mid\n");
    return argc == 2 ? 0 : 2;
  }
  const std::string path = argv[1];
  const std::string temp = path + ".part";
  std::string error;
  if (!WriteSmfFile(qlv::demo::BuildDemoSong(), temp, &error)) {
    std::fprintf(stderr, "qlv-demo-chart: %s\n", error.c_str());
    std::remove(temp.c_str());
    return 1;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "qlv-demo-chart: cannot write %s\n", path.c_str());
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}
