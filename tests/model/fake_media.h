#pragma once
// An in-memory file source and a recording texture source for the model loaders.

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "model/media_sources.h"

struct FakeMedia {
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::string> textureRequests;
    std::vector<std::string> fileRequests;
    // Texture names handed out: 100 + request number, so a test can tell them apart.
    std::map<std::string, unsigned> textureNames;

    MediaSources sources() {
        MediaSources s;
        s.readFile = [this](const char* path) {
            fileRequests.push_back(path);
            FileBuffer buffer;
            auto it = files.find(path);
            if (it == files.end()) return buffer;
            buffer.size = std::uint32_t(it->second.size());
            buffer.data = static_cast<std::uint8_t*>(std::malloc(it->second.size() + 1));
            if (!it->second.empty()) std::memcpy(buffer.data, it->second.data(), it->second.size());
            return buffer;
        };
        s.getTexture = [this](const std::string& path) {
            textureRequests.push_back(path);
            auto it = textureNames.find(path);
            if (it != textureNames.end()) return it->second;
            const unsigned name = 100 + unsigned(textureNames.size());
            textureNames[path] = name;
            return name;
        };
        return s;
    }
};
