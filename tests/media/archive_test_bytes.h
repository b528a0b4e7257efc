#pragma once
// Builds RAR 2.0 byte sequences by hand, field by field, so that tests can make every kind of damaged
// archive without going through the packer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/crc32.h"

struct HandMadeMember {
    std::string name;
    std::vector<std::uint8_t> data;
    std::uint16_t flags = 0x8080;
    std::uint8_t hostOs = 2;
    std::uint8_t version = 20;
    std::uint8_t method = 0x30;
    // Left empty, these follow from the name and data.
    std::optional<std::uint32_t> packSize;
    std::optional<std::uint32_t> unpackSize;
    std::optional<std::uint32_t> crc;
    std::optional<std::uint16_t> headSize;
    std::optional<std::uint16_t> nameSize;
};

class HandMadeArchive {
public:
    HandMadeArchive& marker() {
        bytes.insert(bytes.end(), {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00});
        return *this;
    }
    HandMadeArchive& mainHeader(std::uint16_t headSize = 13) {
        put16(0);
        bytes.push_back(0x73);
        put16(0);
        put16(headSize);
        put16(0);
        put32(0);
        return *this;
    }
    // The usual start: marker and a 13-byte main header.
    static HandMadeArchive start() {
        HandMadeArchive archive;
        archive.marker().mainHeader();
        return archive;
    }
    HandMadeArchive& file(const HandMadeMember& m) {
        const auto size = static_cast<std::uint32_t>(m.data.size());
        put16(0);
        bytes.push_back(0x74);
        put16(m.flags);
        put16(m.headSize.value_or(static_cast<std::uint16_t>(32 + m.name.size())));
        put32(m.packSize.value_or(size));
        put32(m.unpackSize.value_or(size));
        bytes.push_back(m.hostOs);
        put32(m.crc.value_or(computeCrc32(m.data.data(), m.data.size())));
        put32(0x5998A000);
        bytes.push_back(m.version);
        bytes.push_back(m.method);
        put16(m.nameSize.value_or(static_cast<std::uint16_t>(m.name.size())));
        put32(0x20);
        bytes.insert(bytes.end(), m.name.begin(), m.name.end());
        bytes.insert(bytes.end(), m.data.begin(), m.data.end());
        return *this;
    }
    HandMadeArchive& file(const std::string& name, const std::string& text) {
        HandMadeMember m;
        m.name = name;
        m.data.assign(text.begin(), text.end());
        return file(m);
    }
    // A block of another type; with `addSize` set it carries ADD_SIZE and that many bytes of payload.
    HandMadeArchive& block(std::uint8_t type, std::uint16_t headSize,
                           std::optional<std::uint32_t> addSize = {}) {
        const std::size_t start = bytes.size();
        put16(0);
        bytes.push_back(type);
        put16(addSize ? 0x8000 : 0);
        put16(headSize);
        if (addSize) put32(*addSize);
        while (bytes.size() < start + headSize) bytes.push_back(0);
        if (addSize && *addSize < (1u << 20)) bytes.insert(bytes.end(), *addSize, 0xAB);
        return *this;
    }

    std::vector<std::uint8_t> bytes;

private:
    void put16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void put32(std::uint32_t v) {
        for (int s = 0; s < 32; s += 8) bytes.push_back(static_cast<std::uint8_t>(v >> s));
    }
};

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
