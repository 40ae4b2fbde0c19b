#include "platform/ViewerBus.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kTableName = "messages";
constexpr size_t kMaxName = 255;
constexpr off_t kMaxTableBytes = 1 << 20;

bool UsableName(const char* name) {
    if (!name) return false;
    const size_t n = std::strlen(name);
    if (n == 0 || n > kMaxName) return false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c <= 0x20 || c >= 0x7F) return false;
    }
    return true;
}

// Releases the lock and the descriptor on every path out.
struct LockedFile {
    int fd = -1;
    ~LockedFile() {
        if (fd >= 0) {
            flock(fd, LOCK_UN);
            close(fd);
        }
    }
};

bool ReadAll(int fd, std::string* out) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size > kMaxTableBytes) return false;
    out->assign(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < out->size()) {
        const ssize_t r = pread(fd, &(*out)[got], out->size() - got, static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<size_t>(r);
    }
    out->resize(got);
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

std::string ViewerBus::RuntimeFolder(std::string* error) {
    std::string dir;
    const char* own = std::getenv("ORVENNA_BUS_DIR");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (own && *own) {
        dir = own;
    } else if (runtime && *runtime) {
        dir = std::string(runtime) + "/orvenna";
    } else {
        dir = "/tmp/orvenna-" + std::to_string(getuid());
    }

    auto refuse = [&](const std::string& why) {
        if (error) *error = dir + ": " + why;
        return std::string();
    };
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return refuse(std::strerror(errno));
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) return refuse(std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return refuse("not a directory");
    if (st.st_uid != getuid()) return refuse("owned by another user");
    if ((st.st_mode & 077) != 0) return refuse("open to other users");
    return dir;
}

unsigned ViewerBus::RegisterMessage(const char* name) {
    if (!UsableName(name)) return 0;
    const std::string dir = RuntimeFolder();
    if (dir.empty()) return 0;

    LockedFile table;
    const std::string path = dir + "/" + kTableName;
    table.fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (table.fd < 0) return 0;
    struct stat st {};
    if (fstat(table.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) return 0;
    while (flock(table.fd, LOCK_EX) != 0) {
        if (errno != EINTR) return 0;
    }

    // Each line is "<name> <number>"; lines that do not have that shape are skipped.
    std::string text;
    if (!ReadAll(table.fd, &text)) return 0;
    unsigned highest = kFirstMessage - 1;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos || blank == 0) continue;
        const std::string number = line.substr(blank + 1);
        if (number.empty() || number.size() > 5 ||
            number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const unsigned value = static_cast<unsigned>(std::stoul(number));
        if (value < kFirstMessage || value > kLastMessage) continue;
        if (line.compare(0, blank, name) == 0 && blank == std::strlen(name)) return value;
        if (value > highest) highest = value;
    }

    if (highest >= kLastMessage) return 0;
    const unsigned value = highest + 1;
    std::string entry;
    if (!text.empty() && text.back() != '\n') entry += '\n';  // a torn last line stays on its own
    entry += std::string(name) + " " + std::to_string(value) + "\n";
    if (lseek(table.fd, 0, SEEK_END) < 0 || !WriteAll(table.fd, entry)) return 0;
    return value;
}
