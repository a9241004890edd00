#pragma once
// The output folder of a render. Files are written into a hidden staging folder inside it and
// only moved into place by Commit(), after everything has succeeded; a render that fails or is
// abandoned removes the staging folder, and the output folder too when this render created it,
// so nothing half-written (or empty) is left looking like a result.
//
// Main thread only. Not copyable.
#include <string>
#include <vector>

namespace qlv::cli {

class OutputFolder {
 public:
  OutputFolder() = default;
  ~OutputFolder();  // removes the staging folder unless committed
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Creates `folder` if missing and a fresh staging folder in it. False with *error ("cannot
  // write to output folder X: reason") when either cannot be made or written to.
  bool Prepare(const std::string& folder, std::string* error);

  // Path for the file `name` inside the staging folder.
  std::string StagedPath(const std::string& name) const;
  const std::string& folder() const { return folder_; }

  // Removes earlier results of this program from the folder (frame_*.png, contact_sheet.png,
  // preview.mp4, grid_*.png), then moves every staged file in. False with *error on failure.
  bool Commit(std::string* error);

  // Removes the staging folder and everything in it, and the folders Prepare created when they
  // are left empty (nothing is removed after a Commit).
  void Discard();

  // A failure message as a user should read it: the staging folder's path becomes the output
  // folder's, and a full disk is said to be one, naming the output folder.
  std::string Explain(const std::string& error) const;

  // The output folder as printed in the summary, ending in exactly one separator ("out/", "/").
  std::string DisplayName() const;

  // Whether a name is one this program writes.
  static bool IsOurFile(const std::string& name);

 private:
  std::string folder_;
  std::string staging_;
  std::vector<std::string> created_;  // folders Prepare made, innermost first
  bool committed_ = false;
};

}  // namespace qlv::cli
