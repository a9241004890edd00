#pragma once
// A look at the plug-in's picture folder before rendering, so that a render made with
// placeholders instead of the real pictures does not come as a surprise.
//
// Plain function; no shared state.
#include <string>

namespace qlv::cli {

// The folder "qlview" beside the plug-in binary `plugin_path`. Empty when everything in it
// looks usable; otherwise one line naming the folder and what is wrong: it is missing, holds no
// PNG picture, or holds PNG files that cannot be read as such.
std::string PictureFolderWarning(const std::string& plugin_path);

}  // namespace qlv::cli
