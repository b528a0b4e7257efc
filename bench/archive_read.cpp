// readFile on a 229-member archive (the number of entries the shipped archives hold): the first member
// costs one header, the last one a walk over all 229 headers; both copy and checksum the member.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "media/media_pack.h"

namespace {

constexpr int kMembers = 229;
constexpr std::size_t kMemberBytes = 64 * 1024;

struct BenchArchive {
    std::vector<std::uint8_t> bytes;
    MediaPack pack;
    std::string firstName;
    std::string lastName;

    BenchArchive() {
        std::vector<ArchiveMember> members;
        for (int i = 0; i < kMembers; ++i) {
            ArchiveMember member;
            member.name = "Textures\\tex_" + std::to_string(1000 + i) + ".tga";
            member.data.resize(kMemberBytes);
            for (std::size_t b = 0; b < kMemberBytes; ++b)
                member.data[b] = static_cast<std::uint8_t>(b * 31 + i);
            members.push_back(std::move(member));
        }
        firstName = members.front().name;
        lastName = members.back().name;
        std::string error;
        if (!buildArchive(members, bytes, error)) std::abort();
        pack.open(MemoryArchive{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, MemoryArchive{});
    }
};

BenchArchive& benchArchive() {
    static BenchArchive archive;
    return archive;
}

void readMember(benchmark::State& state, const std::string& name) {
    const MediaPack& pack = benchArchive().pack;
    for (auto _ : state) {
        FileBuffer file = pack.readFile(name.c_str());
        if (file.data == nullptr) {
            state.SkipWithError("member not found");
            break;
        }
        benchmark::DoNotOptimize(file.data);
        std::free(file.data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kMemberBytes);
}

void BM_ReadFileFirstMember(benchmark::State& state) { readMember(state, benchArchive().firstName); }
void BM_ReadFileLastMember(benchmark::State& state) { readMember(state, benchArchive().lastName); }
// A miss walks every header and copies nothing: the cost of the walk alone.
void BM_ReadFileMiss(benchmark::State& state) {
    const MediaPack& pack = benchArchive().pack;
    for (auto _ : state) benchmark::DoNotOptimize(pack.readFile("Textures/absent.tga").data);
}

BENCHMARK(BM_ReadFileFirstMember);
BENCHMARK(BM_ReadFileLastMember);
BENCHMARK(BM_ReadFileMiss);

}  // namespace

BENCHMARK_MAIN();
