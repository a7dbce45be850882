#include "readers/run_readers.h"

#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/embedded.h"
#include "platform/child_process.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"
#include "readers/gdk_pixdata.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>
#include <unistd.h>

namespace readers {

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Same:
        return "same";
    case Verdict::Differs:
        return "differs";
    case Verdict::Refused:
        return "refused";
    case Verdict::Crashed:
        return "crashed";
    case Verdict::Timeout:
        return "timeout";
    case Verdict::Stopped:
        return "stopped";
    case Verdict::Missing:
        break;
    }
    return "missing";
}

namespace {

// Reads at most limit bytes of a file; a reader's output is never trusted to be small.
std::vector<std::uint8_t> ReadFile(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in && bytes.size() < limit) {
        in.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, limit - bytes.size())));
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    return bytes;
}

// The last line with something on it, cut to a line's length on a character's edge.
std::string LastLine(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFile(path, 1 << 20);
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::string line = text.substr(text.find_last_of('\n') + 1);
    if (const auto cr = line.find_last_of('\r'); cr != std::string::npos)
        line = line.substr(cr + 1);
    if (line.size() > 160) {
        std::size_t cut = 160;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line = line.substr(0, cut) + "…";
    }
    return line;
}

std::string Replace(std::string s, const std::string& dir) {
    for (const auto& [key, name] : {std::pair<const char*, const char*>{"{in}", "in.bmp"},
                                    {"{out}", "out.png"},
                                    {"{mid}", "between.pnm"}})
        for (std::size_t at; (at = s.find(key)) != std::string::npos;)
            s.replace(at, std::strlen(key), dir + "/" + name);
    return s;
}

std::vector<std::string> Environment(const std::string& dir) {
    // Caches, settings and temporary files go to the reader's own folder.
    return {"TMPDIR=" + dir,
            "TMP=" + dir,
            "TEMP=" + dir,
            "HOME=" + dir,
            "MAGICK_TEMPORARY_PATH=" + dir,
            "XDG_CACHE_HOME=" + dir};
}

bool CrashSignal(int s) {
    return s == SIGSEGV || s == SIGBUS || s == SIGABRT || s == SIGILL || s == SIGFPE ||
           s == SIGKILL || s == SIGSYS || s == SIGTRAP;
}

std::string SignalText(int s) {
    const char* abbrev = sigabbrev_np(s);
    return "signal " + std::to_string(s) +
           (abbrev != nullptr ? std::string(" (SIG") + abbrev + ")" : "");
}

std::string BesideUs(const std::string& name) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "";
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.find_last_of('/') + 1) + name;
    return access(path.c_str(), X_OK) == 0 ? path : "";
}

Installed Find(const ReaderKind& kind, const Options& options) {
    Installed found;
    found.kind = &kind;
    const std::string dir = platform::MakePrivateFolder();
    for (const std::string& candidate : kind.programs) {
        std::string program = kind.name == "qt" ? BesideUs(candidate) : "";
        if (program.empty())
            program = platform::FindProgram(candidate);
        if (program.empty())
            continue;
        std::string asked = program;
        if (!kind.versionProgram.empty())
            asked = platform::FindProgram(kind.versionProgram);
        if (asked.empty()) { // the version cannot be asked, the reader is there
            found.program = program;
            break;
        }
        platform::ChildRequest r;
        r.argv = {asked};
        r.argv.insert(r.argv.end(), kind.versionArgs.begin(), kind.versionArgs.end());
        r.directory = dir;
        r.environment = Environment(dir);
        r.stdoutPath = dir + "/version.txt";
        r.stderrPath = dir + "/version.txt";
        r.seconds = options.seconds;
        r.addressSpace = options.addressSpace;
        r.stop = options.stop;
        const platform::ChildOutcome o = platform::RunChild(r);
        const std::vector<std::uint8_t> said = ReadFile(r.stdoutPath, 1 << 16);
        const std::string text(said.begin(), said.end());
        // A program of that name may be another's (convert can be GraphicsMagick's).
        if (!kind.versionMarker.empty() && text.find(kind.versionMarker) == std::string::npos)
            continue;
        if (kind.versionMarker.empty() && (o.kind != platform::ChildOutcome::Exited || o.code != 0))
            continue;
        found.program = program;
        found.version = VersionIn(text, kind.versionMarker);
        break;
    }
    platform::RemoveFolder(dir);
    return found;
}

// The width and height a PNG's header gives, without decoding it.
bool PngSize(const std::vector<std::uint8_t>& b, std::int64_t& w, std::int64_t& h) {
    if (b.size() < 24 || !bmp::IsPng(b) || std::memcmp(&b[12], "IHDR", 4) != 0)
        return false;
    const auto big = [&](std::size_t at) {
        return std::int64_t{b[at]} << 24 | std::int64_t{b[at + 1]} << 16 |
               std::int64_t{b[at + 2]} << 8 | b[at + 3];
    };
    w = big(16);
    h = big(20);
    return true;
}

// The PNG without its colour-space chunks: the samples a reader decoded are its reading;
// a gamma or profile it copied from the file's header is its tag, which libpng would apply.
std::vector<std::uint8_t> WithoutColourTags(const std::vector<std::uint8_t>& png) {
    std::vector<std::uint8_t> out(png.begin(), png.begin() + std::min<std::size_t>(8, png.size()));
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                                   std::size_t{png[at + 2]} << 8 | png[at + 3];
        if (length > png.size() - at - 12) {
            out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at), png.end());
            break;
        }
        const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        if (type != "gAMA" && type != "cHRM" && type != "sRGB" && type != "iCCP")
            out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at),
                       png.begin() + static_cast<std::ptrdiff_t>(at + 12 + length));
        at += 12 + length;
    }
    return out;
}

// Runs the reader on the file; its verdict is left at Same when it gave a picture.
ReaderVerdict Run(const Installed& reader, const std::string& file, const std::string& shown,
                  std::int64_t width, std::int64_t height, const Options& options) {
    ReaderVerdict v;
    v.name = reader.kind->name;
    v.package = reader.kind->package;
    v.version = reader.version;
    if (reader.program.empty())
        return v; // Missing
    const std::string dir = platform::MakePrivateFolder();
    if (dir.empty() || symlink(file.c_str(), (dir + "/in.bmp").c_str()) != 0) {
        v.verdict = Verdict::Refused;
        v.message =
            "pixscope-cli: no private folder for the reader: " + std::string(std::strerror(errno));
        platform::RemoveFolder(dir);
        return v;
    }
    v.verdict = Verdict::Same;
    const auto started = std::chrono::steady_clock::now();
    for (const ReaderKind::Step& step : reader.kind->steps) {
        platform::ChildRequest r;
        r.argv = {step.program.empty() ? reader.program : step.program};
        for (const std::string& a : step.args)
            r.argv.push_back(Replace(a, dir));
        r.directory = dir;
        r.environment = Environment(dir);
        r.stdoutPath = step.stdoutTo.empty() ? dir + "/said.txt" : Replace(step.stdoutTo, dir);
        r.stderrPath = dir + "/complained.txt";
        const double spent =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        r.seconds = std::max(0.0, options.seconds - spent);
        r.addressSpace = options.addressSpace;
        // What a picture of ours could take, or what a small one takes when we read none.
        r.fileSize = (std::uint64_t{64} << 20) + 5 * static_cast<std::uint64_t>(width * height);
        r.stop = options.stop;
        const platform::ChildOutcome o = platform::RunChild(r);
        std::string said = LastLine(r.stderrPath);
        if (said.empty() && step.stdoutTo.empty())
            said = LastLine(r.stdoutPath);
        // The reader names the file by our link to it; the user knows it by its own name.
        for (std::size_t at; (at = said.find(dir + "/in.bmp")) != std::string::npos;)
            said.replace(at, dir.size() + 7, shown);
        for (std::size_t at; (at = said.find(dir + "/")) != std::string::npos;)
            said.replace(at, dir.size() + 1, "");
        if (o.kind == platform::ChildOutcome::TimedOut) {
            v.verdict = Verdict::Timeout;
            char limit[32];
            std::snprintf(limit, sizeof limit, "killed after %g s", options.seconds);
            v.message = limit;
        } else if (o.kind == platform::ChildOutcome::Stopped) {
            v.verdict = Verdict::Stopped;
        } else if (o.kind == platform::ChildOutcome::Signalled && o.code == SIGXFSZ) {
            v.verdict = Verdict::Refused;
            v.message = "stopped: it wrote more than a picture of the file can take";
        } else if (o.kind == platform::ChildOutcome::Signalled ||
                   (o.kind == platform::ChildOutcome::Exited && o.code > 128 &&
                    CrashSignal(o.code - 128))) {
            v.verdict = Verdict::Crashed;
            v.message =
                SignalText(o.kind == platform::ChildOutcome::Signalled ? o.code : o.code - 128) +
                (said.empty() ? "" : ": " + said);
        } else if (o.kind == platform::ChildOutcome::NotRun) {
            v.verdict = Verdict::Refused;
            v.message = o.message;
        } else if (o.code != 0) {
            v.verdict = Verdict::Refused;
            v.message = said.empty() ? "exit status " + std::to_string(o.code) : said;
        }
        if (v.verdict != Verdict::Same)
            break;
    }
    if (v.verdict == Verdict::Same) {
        const std::string written = dir + "/out.png";
        const std::vector<std::uint8_t> head = ReadFile(written, 64);
        std::int64_t w = 0, h = 0;
        const bool png = reader.kind->picture == PictureKind::Png;
        if (head.empty()) {
            v.verdict = Verdict::Refused;
            v.message = "wrote no picture";
        } else if ((png ? PngSize(head, w, h) : PixdataSize(head, w, h)) &&
                   (w != width || h != height)) {
            v.width = w, v.height = h; // another size: no need to decode it
        } else {
            // The child's file-size limit bounds what is read here.
            const std::vector<std::uint8_t> bytes = ReadFile(written, std::size_t{1} << 34);
            v.picture = png ? codecs::ReadPng(WithoutColourTags(bytes)) : ReadPixdata(bytes);
            if (!v.picture.error.empty()) {
                v.verdict = Verdict::Refused;
                v.message = "wrote no picture that can be read: " + v.picture.error;
                v.picture = {};
            }
            v.width = v.picture.width, v.height = v.picture.height;
            if (v.width != width || v.height != height)
                v.picture = {}; // another size: nothing to compare it with
        }
    }
    platform::RemoveFolder(dir);
    return v;
}

} // namespace

std::vector<Installed> FindReaders(const Options& options, std::string* unknown) {
    std::vector<const ReaderKind*> kinds;
    for (const std::string& name : options.only) {
        const auto it = std::find_if(Catalogue().begin(), Catalogue().end(),
                                     [&](const ReaderKind& k) { return k.name == name; });
        if (it == Catalogue().end()) {
            if (unknown != nullptr)
                *unknown = name;
            return {};
        }
        if (std::find(kinds.begin(), kinds.end(), &*it) == kinds.end())
            kinds.push_back(&*it);
    }
    if (options.only.empty())
        for (const ReaderKind& k : Catalogue())
            kinds.push_back(&k);
    std::vector<Installed> found(kinds.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        threads.emplace_back([&, i] { found[i] = Find(*kinds[i], options); });
    for (std::thread& t : threads)
        t.join();
    return found;
}

namespace {

// The file at path, named shown in what the readers say of it.
FileVerdicts Judge(const std::string& path, const std::string& shown,
                   const std::vector<Installed>& readers, const Options& options,
                   const std::function<void(const ReaderVerdict&)>& progress) {
    FileVerdicts out;
    out.path = path;
    const std::string absolute = platform::AbsolutePath(path);
    platform::MappedFile file(path);
    std::unique_ptr<bmp::Decoder> decoder;
    std::uint64_t start = 0;
    if (file.Error() != 0) {
        out.refusal = std::string("cannot open: ") + std::strerror(file.Error());
    } else {
        const auto bytes = file.Bytes();
        start = bmp::ImageStart(bytes, 0).value_or(0);
        decoder =
            std::make_unique<bmp::Decoder>(bmp::Decoder::OfFile(bytes, bmp::Rules::File, start));
        const std::uint64_t area = static_cast<std::uint64_t>(decoder->Width()) *
                                   static_cast<std::uint64_t>(decoder->Height());
        if (!decoder->Decodes())
            out.refusal = decoder->Refusal();
        else if (area > bmp::MostPixelsOf(bytes.size()))
            out.refusal = "the header claims far more pixels than the file can hold";
        else
            out.width = decoder->Width(), out.height = decoder->Height();
    }
    const inspect::PictureSide ours{
        out.width, out.height, [&](std::int64_t y, std::uint8_t* rgba) { decoder->Rgba(y, rgba); },
        decoder.get()};

    out.readers.resize(readers.size());
    const unsigned jobs =
        options.jobs != 0 ? options.jobs : std::max(2u, std::thread::hardware_concurrency());
    std::counting_semaphore<64> slots(std::min(jobs, 64u));
    std::mutex comparing; // the decoder keeps caches: one comparison at a time
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < readers.size(); ++i)
        threads.emplace_back([&, i] {
            slots.acquire();
            ReaderVerdict v = Run(readers[i], absolute, shown, out.width, out.height, options);
            slots.release();
            if (v.verdict == Verdict::Same) {
                const std::lock_guard<std::mutex> lock(comparing);
                if (!out.refusal.empty()) {
                    v.verdict = Verdict::Differs; // it reads a picture where Pixscope reads none
                    inspect::CauseCount other;
                    other.pixels = static_cast<std::uint64_t>(v.width * v.height);
                    v.difference.causes.push_back(other);
                } else {
                    const codecs::RgbaPicture& p = v.picture;
                    const inspect::PictureSide theirs{
                        v.width, v.height,
                        [&p](std::int64_t y, std::uint8_t* rgba) {
                            const std::size_t row = static_cast<std::size_t>(p.width) * 4;
                            std::memcpy(rgba, p.rgba.data() + static_cast<std::size_t>(y) * row,
                                        row);
                        },
                        nullptr};
                    v.difference = inspect::ExplainReading(file.Bytes(), start, ours, theirs);
                    if (!v.difference.sameSize || v.difference.pixels.differ != 0)
                        v.verdict = Verdict::Differs;
                }
            }
            if (progress)
                progress(v);
            out.readers[i] = std::move(v);
        });
    for (std::thread& t : threads)
        t.join();
    if (options.keepOurs && out.refusal.empty()) {
        codecs::RgbaPicture& p = out.picture;
        p.width = out.width, p.height = out.height;
        const std::size_t row = static_cast<std::size_t>(p.width) * 4;
        p.rgba.resize(row * static_cast<std::size_t>(p.height));
        for (std::int64_t y = 0; y < p.height; ++y)
            decoder->Rgba(y, p.rgba.data() + static_cast<std::size_t>(y) * row);
    }
    return out;
}

} // namespace

FileVerdicts JudgeFile(const std::string& path, const std::vector<Installed>& readers,
                       const Options& options,
                       const std::function<void(const ReaderVerdict&)>& progress) {
    return Judge(path, platform::AbsolutePath(path), readers, options, progress);
}

FileVerdicts JudgeBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                        const std::vector<Installed>& readers, const Options& options,
                        const std::function<void(const ReaderVerdict&)>& progress) {
    const std::string dir = platform::MakePrivateFolder();
    const std::string copy = dir + "/file.bmp";
    bool written = false;
    if (!dir.empty()) {
        std::ofstream out(copy, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        written = static_cast<bool>(out);
    }
    FileVerdicts v;
    if (written) {
        v = Judge(copy, name, readers, options, progress);
    } else {
        v.refusal = "no private folder for the readers: " + std::string(std::strerror(errno));
        for (const Installed& r : readers) {
            ReaderVerdict rv;
            rv.name = r.kind->name, rv.version = r.version, rv.package = r.kind->package;
            rv.verdict = Verdict::Refused;
            rv.message = v.refusal;
            if (progress)
                progress(rv);
            v.readers.push_back(std::move(rv));
        }
    }
    v.path = name;
    platform::RemoveFolder(dir);
    return v;
}

} // namespace readers
