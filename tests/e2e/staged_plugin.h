// The plug-in binary and the shaped test pictures in a private folder, made once per process, for
// tests that compare the pixels of frames drawn through the real binary. The host's INI file
// there sets a time offset of 0.
//
// Threads: the tests' main thread.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "host/host_project.h"
#include "view/highway_pictures.h"

class StagedPlugin {
public:
    static StagedPlugin &Get() {
        static StagedPlugin staged;
        return staged;
    }
    const std::string &path() const { return path_; }
    // Empty when the folder is ready.
    const std::string &error() const { return error_; }

private:
    StagedPlugin() {
        dir_ = MakeTempDir("golden-binary");
        if (dir_.empty()) {
            error_ = "cannot make a temporary folder";
            return;
        }
        path_ = dir_ + "/qlv_preview.so";
        std::error_code ec;
        std::filesystem::copy_file(std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so", path_, ec);
        if (ec) error_ = "cannot copy the plug-in binary: " + ec.message();
        else if (!WritePictureFolder(ShapedPictureSet(), dir_)) error_ = "cannot write the pictures";
        ini_ = dir_ + "/host.ini";
        std::ofstream(ini_) << "[qlview]\ntimeoffs=0\n";
        SetHostIniFile(ini_.c_str());
    }
    ~StagedPlugin() { RemoveTree(dir_); }

    std::string dir_, path_, ini_, error_;
};
