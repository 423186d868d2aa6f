// Mounts the input as an archive and reads every member it names.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource/archive.h"

namespace {

const std::string& dataFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/fuzz_archive-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) std::abort();
        static std::string made_ = made;
        std::atexit([] {
            ::unlink((made_ + "/input.dat").c_str());
            ::rmdir(made_.c_str());
        });
        return made_ + "/";
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& folder = dataFolder();
    const std::string path = folder + "input.dat";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    velmira::Trace trace;
    trace.setSink([](std::string_view) {});
    velmira::ArchiveIndex index(folder, trace);
    index.mountAll();
    std::vector<uint8_t> bytes;
    for (const auto& [name, entry] : index.entries()) {
        // Such names open host paths directly; leave the host's files alone.
        if (name.find(':') != std::string::npos || name.front() == '/') continue;
        velmira::ArchiveReader reader(index);
        if (!reader.open("", name)) continue;
        reader.readAll(bytes);
        if (reader.open("", name)) {
            uint8_t piece[7];
            while (reader.read(piece, sizeof piece)) {
            }
        }
    }
    velmira::ArchiveDirectory directory;
    velmira::readArchiveDirectory(path, directory);
    return 0;
}
