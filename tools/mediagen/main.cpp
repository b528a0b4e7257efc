// mediagen --out DIR --content CONTENTDIR [--contact-sheet FILE.png]
// Writes the whole media tree (see generator.h); the build runs it whenever content/ or the
// generator changes.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "mediagen/generator.h"

namespace {

void printUsage() {
    std::fprintf(stderr, "usage: mediagen --out DIR --content CONTENTDIR [--contact-sheet FILE.png]\n");
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
        } else if (argument == "--help" || argument == "-h") {
            printUsage();
            return 0;
        } else {
            std::fprintf(stderr, "mediagen: unknown or incomplete option '%s'\n", argument.c_str());
            printUsage();
            return 2;
        }
    }
    if (options.outDir.empty() || options.contentDir.empty()) {
        printUsage();
        return 2;
    }
    options.progress = [](const std::string& line) { std::printf("%s\n", line.c_str()); std::fflush(stdout); };
    const auto start = std::chrono::steady_clock::now();
    try {
        mediagen::generateMedia(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mediagen: %s\n", error.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("mediagen: done in %.2f s\n", seconds);
    return 0;
}
