// mediagen --out DIR --content CONTENTDIR [--contact-sheet FILE.png]
// mediagen --contact-sheet FILE.png [--content CONTENTDIR]
// Writes the whole media tree (see generator.h); the build runs it whenever content/ or the
// generator changes. With only a contact sheet asked for, the tree goes to a temporary folder that
// is removed afterwards; the content folder defaults to ./content.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <random>
#include <string>

#include "mediagen/generator.h"

namespace {

void printUsage() {
    std::fprintf(stderr,
                 "usage: mediagen --out DIR --content CONTENTDIR [--contact-sheet FILE.png]\n"
                 "       mediagen --contact-sheet FILE.png [--content CONTENTDIR]\n");
}

}  // namespace

int main(int argc, char** argv) {
    mediagen::GeneratorOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--out" && hasValue) {
            options.outDir = argv[++i];
        } else if (argument == "--content" && hasValue) {
            options.contentDir = argv[++i];
        } else if (argument == "--contact-sheet" && hasValue) {
            options.contactSheet = argv[++i];
        } else if (argument == "--fast") {
            options.fast = true;
        } else if (argument == "--help" || argument == "-h") {
            printUsage();
            return 0;
        } else {
            std::fprintf(stderr, "mediagen: unknown or incomplete option '%s'\n", argument.c_str());
            printUsage();
            return 2;
        }
    }
    if (options.outDir.empty() && options.contactSheet.empty()) {
        printUsage();
        return 2;
    }
    if (options.contentDir.empty()) options.contentDir = "content";
    std::filesystem::path scratch;
    if (options.outDir.empty()) {
        scratch =
            std::filesystem::temp_directory_path() / ("mediagen-" + std::to_string(std::random_device{}()));
        options.outDir = scratch.string();
    }
    options.progress = [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    const auto start = std::chrono::steady_clock::now();
    try {
        mediagen::generateMedia(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mediagen: %s\n", error.what());
        if (!scratch.empty()) std::filesystem::remove_all(scratch);
        return 1;
    }
    if (!scratch.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("mediagen: done in %.2f s\n", seconds);
    return 0;
}
