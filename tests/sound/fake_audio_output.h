#pragma once
// An audio output that plays nothing: it records the calls made on it and lets the test pull audio
// blocks from the callback itself, as a device's audio thread would.

#include <memory>
#include <string>
#include <vector>

#include "platform/audio_output.h"

struct FakeAudioLog {
    std::vector<std::string> calls;
    int created = 0;
    bool openFails = false;
    int lockDepth = 0;
    platform::AudioFillCallback fill = nullptr;
    void* user = nullptr;
    bool running = false;

    // One block from the callback, as the device would pull it (nothing while not started).
    std::vector<std::int16_t> pull(int frames) {
        std::vector<std::int16_t> block(static_cast<std::size_t>(frames) * 2, 0);
        if (fill != nullptr && running && lockDepth == 0) fill(user, block.data(), frames);
        return block;
    }
};

class FakeAudioOutput final : public platform::AudioOutput {
public:
    explicit FakeAudioOutput(FakeAudioLog& log) : log_(log) { ++log_.created; }
    ~FakeAudioOutput() override { close(); }

    bool open(int rate, int channels, platform::AudioFillCallback fill, void* user) override {
        log_.calls.push_back("open " + std::to_string(rate) + " " + std::to_string(channels));
        if (log_.openFails) return false;
        open_ = true;
        log_.fill = fill;
        log_.user = user;
        return true;
    }
    void start() override {
        log_.calls.push_back("start");
        log_.running = open_;
    }
    void stop() override {
        log_.calls.push_back("stop");
        log_.running = false;
    }
    void lock() override {
        log_.calls.push_back("lock");
        ++log_.lockDepth;
    }
    void unlock() override {
        log_.calls.push_back("unlock");
        --log_.lockDepth;
    }
    void close() override {
        if (!open_) return;
        log_.calls.push_back("close");
        open_ = false;
        log_.running = false;
        log_.fill = nullptr;
    }
    bool isOpen() const override { return open_; }

private:
    FakeAudioLog& log_;
    bool open_ = false;
};

inline platform::AudioOutputFactory fakeOutputFactory(FakeAudioLog& log) {
    return
        [&log]() -> std::unique_ptr<platform::AudioOutput> { return std::make_unique<FakeAudioOutput>(log); };
}
