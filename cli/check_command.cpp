// pixscope-cli check [--json] FILE...: each file checked against its own bytes.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "inspect/check_bitmap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The file's bytes, mapped: the checker touches only the pages it reads.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            m_error = fd < 0 ? errno : EINVAL;
            if (fd >= 0)
                ::close(fd);
            return;
        }
        m_size = static_cast<std::size_t>(st.st_size);
        if (m_size > 0) {
            void* p = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (p == MAP_FAILED)
                m_error = errno;
            else
                m_data = static_cast<const std::uint8_t*>(p);
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (m_data != nullptr)
            ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    int Error() const { return m_error; }
    std::span<const std::uint8_t> Bytes() const {
        return m_data != nullptr ? std::span(m_data, m_size) : std::span<const std::uint8_t>();
    }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    int m_error = 0;
};

void PrintLines(const std::vector<inspect::Finding>& findings) {
    for (const inspect::Finding& f : findings)
        std::printf("0x%08llx (%llu) %s %s: %s\n", static_cast<unsigned long long>(f.offset),
                    static_cast<unsigned long long>(f.offset), inspect::SeverityName(f.severity),
                    f.id.c_str(), f.message.c_str());
}

void PrintJson(const std::string& path, const std::vector<inspect::Finding>& findings) {
    std::string out = "{\"file\": " + JsonString(path) + ", \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const inspect::Finding& f = findings[i];
        out += (i == 0 ? "" : ", ");
        out += "{\"id\": " + JsonString(f.id) +
               ", \"severity\": " + JsonString(inspect::SeverityName(f.severity)) +
               ", \"offset\": " + std::to_string(f.offset) +
               ", \"length\": " + std::to_string(f.length) +
               ", \"field\": " + (f.field.empty() ? "null" : JsonString(f.field)) +
               ", \"declared\": " + JsonNumber(f.declared) +
               ", \"actual\": " + JsonNumber(f.actual) + ", \"message\": " + JsonString(f.message) +
               "}";
    }
    std::printf("%s]}\n", out.c_str());
}

} // namespace

int RunCheckCommand(const std::vector<std::string>& args) {
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            files.push_back(a);
    }
    if (files.empty())
        return UsageError("check", "no file given");
    int status = 0;
    for (const std::string& path : files) {
        MappedFile file(path);
        if (file.Error() != 0) {
            std::fprintf(stderr, "pixscope-cli check: cannot open %s: %s\n", path.c_str(),
                         std::strerror(file.Error()));
            status = 2;
            continue;
        }
        const std::vector<inspect::Finding> findings = inspect::CheckBitmap(file.Bytes());
        if (json) {
            PrintJson(AbsolutePath(path), findings);
        } else {
            if (files.size() > 1)
                std::printf("%s:\n", path.c_str());
            PrintLines(findings);
        }
        if (inspect::HasError(findings) && status == 0)
            status = 1;
        std::fflush(stdout);
    }
    return status;
}
