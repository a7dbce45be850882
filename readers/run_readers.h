// Every installed reader run on a file, each in a child process of its own, bounded, its
// picture read back and held against Pixscope's reading.
#pragma once

#include "codecs/png_file.h"
#include "inspect/reading_causes.h"
#include "readers/reader_catalogue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace readers {

enum class Verdict { Same, Differs, Refused, Crashed, Timeout, Missing, Stopped };
const char* VerdictName(Verdict v); // "same", "differs", …

struct Options {
    std::vector<std::string> only; // reader names; empty: every one
    double seconds = 10;           // each reader's time limit
    std::uint64_t addressSpace = std::uint64_t{4} << 30;
    unsigned jobs = 0; // readers at once; 0: the processors
    const std::atomic<bool>* stop = nullptr;
    bool keepOurs = false; // FileVerdicts::picture: Pixscope's reading, to hold pixels against
};

// A reader as found on this machine.
struct Installed {
    const ReaderKind* kind = nullptr;
    std::string program; // its full path; empty when missing
    std::string version;
};

// Finds each reader of the catalogue (those --only names) and asks its version, all at
// once. An unknown name in only is reported in unknown.
std::vector<Installed> FindReaders(const Options& options, std::string* unknown = nullptr);

struct ReaderVerdict {
    std::string name, version, package;
    Verdict verdict = Verdict::Missing;
    std::string message; // a refusal's or a crash's, one line
    std::int64_t width = 0, height = 0;
    inspect::ReadingDifference difference; // Differs
    codecs::RgbaPicture picture;           // the reader's, when it has our size
};

struct FileVerdicts {
    std::string path;
    std::string refusal; // why Pixscope reads no picture; empty when it does
    std::int64_t width = 0, height = 0;
    std::vector<ReaderVerdict> readers;
    codecs::RgbaPicture picture; // Pixscope's, with Options::keepOurs
};

// progress, when given, is called from the worker threads as each reader ends.
FileVerdicts JudgeFile(const std::string& path, const std::vector<Installed>& readers,
                       const Options& options,
                       const std::function<void(const ReaderVerdict&)>& progress = {});

// The same for bytes held in memory (a file as a view shows it), named by name in what is
// said of them: they are written to a private folder for the readers first.
FileVerdicts JudgeBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                        const std::vector<Installed>& readers, const Options& options,
                        const std::function<void(const ReaderVerdict&)>& progress = {});

} // namespace readers
