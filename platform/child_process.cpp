#include "platform/child_process.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& added) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& a : added)
            replaced = replaced || a.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), added.begin(), added.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Only async-signal-safe calls between fork and exec: the parent may have threads.
[[noreturn]] void BecomeChild(const ChildRequest& r, const char* program, char** argv, char** envp,
                              int report) {
    setpgid(0, 0);
    // Should Pixscope be killed, the reader goes too.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const auto redirect = [](const std::string& path, int fd, int flags) {
        const int f = open(path.empty() ? "/dev/null" : path.c_str(), flags, 0600);
        if (f >= 0 && f != fd) {
            dup2(f, fd);
            close(f);
        }
    };
    redirect("", 0, O_RDONLY);
    redirect(r.stdoutPath, 1, O_WRONLY | O_CREAT | O_TRUNC);
    redirect(r.stderrPath, 2, O_WRONLY | O_CREAT | O_TRUNC);
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    if (r.addressSpace != 0) {
        rlimit as{r.addressSpace, r.addressSpace};
        setrlimit(RLIMIT_AS, &as);
    }
    if (r.fileSize != 0) {
        rlimit fs{r.fileSize, r.fileSize};
        setrlimit(RLIMIT_FSIZE, &fs);
    }
    // A backstop to the parent's clock, should the parent itself be stopped.
    const rlim_t cpu = static_cast<rlim_t>(std::ceil(r.seconds)) + 1;
    rlimit cpuLimit{cpu, cpu + 1};
    setrlimit(RLIMIT_CPU, &cpuLimit);
    if (!r.directory.empty() && chdir(r.directory.c_str()) != 0) {
        const int e = errno;
        (void)!write(report, &e, sizeof e);
        _exit(127);
    }
    execve(program, argv, envp);
    const int e = errno;
    (void)!write(report, &e, sizeof e);
    _exit(127);
}

} // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty())
        return "";
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : "";
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', at), dirs.size());
        const std::string dir = end > at ? dirs.substr(at, end - at) : ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        at = end + 1;
    }
    return "";
}

ChildOutcome RunChild(const ChildRequest& r) {
    ChildOutcome outcome;
    if (r.argv.empty()) {
        outcome.message = "no program";
        return outcome;
    }
    const std::string program = FindProgram(r.argv[0]);
    if (program.empty()) {
        outcome.message = r.argv[0] + ": not found";
        return outcome;
    }
    std::vector<std::string> args = r.argv, env = Environment(r.environment);
    std::vector<char*> argv = Pointers(args), envp = Pointers(env);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        outcome.message = std::strerror(errno);
        return outcome;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        outcome.message = std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return outcome;
    }
    if (pid == 0)
        BecomeChild(r, program.c_str(), argv.data(), envp.data(), report[1]);
    setpgid(pid, pid);
    close(report[1]);
    int execError = 0;
    const bool failed = read(report[0], &execError, sizeof execError) == sizeof execError;
    close(report[0]);

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(r.seconds));
    auto nap = std::chrono::microseconds(500);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            outcome.message = std::strerror(errno);
            return outcome;
        }
        const bool late = std::chrono::steady_clock::now() >= deadline;
        const bool asked = r.stop != nullptr && r.stop->load();
        if (late || asked) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            outcome.kind = late ? ChildOutcome::TimedOut : ChildOutcome::Stopped;
            return outcome;
        }
        std::this_thread::sleep_for(nap);
        nap = std::min(nap * 2, std::chrono::microseconds(10000));
    }
    // Whatever it left running in its group goes with it.
    kill(-pid, SIGKILL);
    if (failed) {
        outcome.message = program + ": " + std::strerror(execError);
        return outcome;
    }
    if (WIFSIGNALED(status)) {
        outcome.kind = ChildOutcome::Signalled;
        outcome.code = WTERMSIG(status);
        // A CPU limit reached is the time limit, counted by the system.
        if (outcome.code == SIGXCPU)
            outcome.kind = ChildOutcome::TimedOut;
    } else {
        outcome.kind = ChildOutcome::Exited;
        outcome.code = WEXITSTATUS(status);
    }
    return outcome;
}

std::string MakePrivateFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/pixscope-reader-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

void RemoveFolder(const std::string& path) {
    std::error_code ignored; // what cannot be removed stays; nothing depends on it
    std::filesystem::remove_all(path, ignored);
}

} // namespace platform
