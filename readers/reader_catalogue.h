// The other readers of BMP files Pixscope knows how to ask: what each is called, the
// Debian package that brings it, how its version is asked, and the commands that turn a
// file into a picture Pixscope can read back.
#pragma once

#include <string>
#include <vector>

namespace readers {

enum class PictureKind { Png, Pixdata };

struct ReaderKind {
    std::string name;                  // "pillow", as --only takes it
    std::string package;               // what installs it on Debian
    std::vector<std::string> programs; // tried in order; the first whose version answers
    std::string versionProgram;        // when not the program itself
    std::vector<std::string> versionArgs;
    std::string versionMarker; // the version is the first number after it in the answer
    // Each step's arguments after the program; "{in}" is the file, "{out}" the picture
    // written, "{mid}" a file between two steps. stdoutTo: the step's output goes there.
    struct Step {
        std::string program; // empty: the reader's program
        std::vector<std::string> args;
        std::string stdoutTo;
    };
    std::vector<Step> steps;
    PictureKind picture = PictureKind::Png;
};

// Every reader, in the order they are reported.
const std::vector<ReaderKind>& Catalogue();

// The first version number after marker in text ("6.9.11-60"), or empty.
std::string VersionIn(const std::string& text, const std::string& marker);

} // namespace readers
