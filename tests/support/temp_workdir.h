// A fresh working directory for one test, removed afterwards: the plug-in
// reads Skyloom.xml and writes Skyloom.log relative to it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

class TempWorkingDirectory {
public:
    explicit TempWorkingDirectory(const std::string& prefix) : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~TempWorkingDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempWorkingDirectory(const TempWorkingDirectory&) = delete;
    TempWorkingDirectory& operator=(const TempWorkingDirectory&) = delete;

    static void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::string Read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

private:
    std::filesystem::path previous_, dir_;
};
