#pragma once
// Points the process log at a temporary file for the life of a test and reads it back.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/log.h"

class TestLog {
public:
    TestLog() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("glimmerdale_model_test_" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt"))
                    .string();
        theLog().open(path_);
    }
    ~TestLog() {
        theLog().close();
        std::remove(path_.c_str());
    }
    std::string text() const {
        std::ifstream in(path_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void clear() {
        theLog().close();
        theLog().open(path_);
    }

private:
    std::string path_;
};
