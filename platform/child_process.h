// Runs another program as a child of its own, bounded: a time limit, an address-space
// limit, no standard input, its output in files, its own process group (so that what it
// starts goes with it), and a stop the caller can pull from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ChildRequest {
    std::vector<std::string> argv;           // argv[0] is looked up on PATH unless it has a '/'
    std::string directory;                   // its working folder
    std::vector<std::string> environment;    // NAME=value pairs added to (or replacing) ours
    std::string stdoutPath, stderrPath;      // where its output goes; /dev/null when empty
    double seconds = 10;                     // then it is killed
    std::uint64_t addressSpace = 0;          // bytes; 0 leaves it as it is
    std::uint64_t fileSize = 0;              // the largest file it may write; 0: any
    const std::atomic<bool>* stop = nullptr; // when it becomes true, the child is killed
};

struct ChildOutcome {
    enum Kind {
        Exited,    // it ended by itself; code is its exit status
        Signalled, // a signal ended it; code is the signal
        TimedOut,  // killed at the time limit
        Stopped,   // killed because the caller asked
        NotRun,    // it could not be started; message says why
    } kind = NotRun;
    int code = 0;
    std::string message;
};

ChildOutcome RunChild(const ChildRequest& request);

// The program's full path as PATH finds it, or empty.
std::string FindProgram(const std::string& name);

// A new folder of this process's own under the temporary folder, or empty; and its
// removal with everything in it.
std::string MakePrivateFolder();
void RemoveFolder(const std::string& path);

} // namespace platform
