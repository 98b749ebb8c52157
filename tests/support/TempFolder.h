// A folder of the test's own in the system's temporary folder, for made-up device trees, /proc
// folders and the like: paths are given relative to it, parents are made as
// needed, and everything in it goes with the object. A step that fails is a
// test failure, so a tree that was not made as meant is never tested.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

class TempFolder {
  public:
    TempFolder() {
        // A fresh name each try; create_directory fails on one that exists.
        std::random_device random;
        std::error_code error;
        const auto base = std::filesystem::temp_directory_path(error);
        for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
            const auto path = base / ("brantle-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(path, error)) path_ = path.generic_string();
        }
        if (path_.empty()) ADD_FAILURE() << "no temporary folder: " << error.message();
    }
    ~TempFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
        EXPECT_FALSE(error) << path_ << ": " << error.message();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    std::string Folder(const std::string& relative) const {
        std::error_code error;
        std::filesystem::create_directories(*this / relative, error);
        EXPECT_FALSE(error) << relative << ": " << error.message();
        return *this / relative;
    }
    // A file holding `text`, its folder made first.
    std::string Write(const std::string& relative, const std::string& text) const {
        Folder(std::filesystem::path(relative).parent_path().string());
        std::ofstream file(*this / relative, std::ios::binary);
        file << text;
        EXPECT_TRUE(file.good()) << relative;
        return *this / relative;
    }
    // A symbolic link at `relative` that leads to `target` (taken as it is).
    std::string Link(const std::string& target, const std::string& relative) const {
        Folder(std::filesystem::path(relative).parent_path().string());
        std::error_code error;
        std::filesystem::create_symlink(target, *this / relative, error);
        EXPECT_FALSE(error) << relative << ": " << error.message();
        return *this / relative;
    }

  private:
    std::string path_;
};
