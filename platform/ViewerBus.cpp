#include "platform/ViewerBus.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "text/translated_text.h"

namespace {

constexpr const char* kTableName = "messages";
constexpr size_t kMaxName = 255;
constexpr off_t kMaxTableBytes = 1 << 20;

// A reason for the user (marked with QT_TRANSLATE_NOOP where it is written), in the interface's language,
// with %1, %2 ... filled in.
std::string busText(const char* text, std::initializer_list<std::string_view> args = {}) {
    return orvenna::fill_text(QCoreApplication::translate("ViewerBus", text).toStdString(), args);
}

bool usableName(const char* name) {
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

bool readAll(int fd, std::string* out) {
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

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

// A folder the bus may use: a real directory (not a symlink) of this user, closed to everyone else.
bool checkPrivate(const std::string& dir, const struct stat& st, std::string* why) {
    const char* reason = nullptr;
    if (S_ISLNK(st.st_mode))
        reason = QT_TRANSLATE_NOOP("ViewerBus", "シンボリックリンクです");
    else if (!S_ISDIR(st.st_mode))
        reason = QT_TRANSLATE_NOOP("ViewerBus", "フォルダではありません");
    else if (st.st_uid != getuid())
        reason = QT_TRANSLATE_NOOP("ViewerBus", "他のユーザーのフォルダです");
    else if ((st.st_mode & 077) != 0)
        reason = QT_TRANSLATE_NOOP("ViewerBus", "他のユーザーにも開かれています");
    if (reason && why) *why = dir + ": " + busText(reason);
    return reason == nullptr;
}

// Creates `dir` (mode 0700) when missing; true when it is then a private folder.
bool preparePrivateFolder(const std::string& dir, std::string* why) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        const char* error = std::strerror(errno);
        *why = busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: フォルダを作れません (%2)"), {dir, error});
        return false;
    }
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) {
        *why = dir + ": " + std::strerror(errno);
        return false;
    }
    return checkPrivate(dir, st, why);
}

// $XDG_STATE_HOME/orvenna-bus, else ~/.local/state/orvenna-bus; empty when no home is known.
std::string stateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/orvenna-bus";
    std::string home;
    const char* env = std::getenv("HOME");
    if (env && env[0] == '/') {
        home = env;
    } else if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
        home = user->pw_dir;
    }
    return home.empty() ? std::string() : home + "/.local/state/orvenna-bus";
}

// Creates the missing folders above `dir` with mode 0700; existing ones are left as they are.
void makeParents(const std::string& dir) {
    for (size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1))
        mkdir(dir.substr(0, slash).c_str(), 0700);
}

}  // namespace

std::string ViewerBus::runtimeFolder(std::string* error) {
    std::string why;
    auto refuse = [&](const std::string& reason) {
        if (error) *error = reason;
        return std::string();
    };
    const char* own = std::getenv("ORVENNA_BUS_DIR");
    if (own && *own) return preparePrivateFolder(own, &why) ? std::string(own) : refuse(why);

    // The runtime folder is the right place; a relative one is not valid, and one of another user (after su)
    // cannot be used.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        const std::string dir = std::string(runtime) + "/orvenna";
        if (preparePrivateFolder(dir, &why)) return dir;
    }
    // Else a folder in the user's home: no other user can create it first.
    const std::string state = stateFolder();
    if (state.empty())
        return refuse(why.empty() ? busText(QT_TRANSLATE_NOOP("ViewerBus", "ホームフォルダが分かりません"))
                                  : why);
    makeParents(state);
    std::string whyState;
    if (preparePrivateFolder(state, &whyState)) return state;
    return refuse(why.empty() ? whyState : why + " / " + whyState);
}

unsigned ViewerBus::registerMessage(const char* name, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return 0u;
    };
    if (!usableName(name)) return fail(busText(QT_TRANSLATE_NOOP("ViewerBus", "使えないメッセージ名です")));
    std::string why;
    const std::string dir = runtimeFolder(&why);
    if (dir.empty()) return fail(why);

    LockedFile table;
    const std::string path = dir + "/" + kTableName;
    const std::string unusable =
        busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: メッセージ表を使えません"), {path});
    table.fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (table.fd < 0) return fail(unusable + " (" + std::strerror(errno) + ")");
    struct stat st {};
    if (fstat(table.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) return fail(unusable);
    while (flock(table.fd, LOCK_EX) != 0) {
        if (errno != EINTR) return fail(unusable);
    }

    // Each line is "<name> <number>"; lines that do not have that shape are skipped.
    std::string text;
    if (!readAll(table.fd, &text)) return fail(unusable);
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

    if (highest >= kLastMessage)
        return fail(busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: メッセージ表が一杯です"), {path}));
    const unsigned value = highest + 1;
    std::string entry;
    if (!text.empty() && text.back() != '\n') entry += '\n';  // a torn last line stays on its own
    entry += std::string(name) + " " + std::to_string(value) + "\n";
    if (lseek(table.fd, 0, SEEK_END) < 0 || !writeAll(table.fd, entry)) return fail(unusable);
    return value;
}

// ---- Endpoints -----------------------------------------------------------------------------------------

namespace {

bool isViewerSocketName(const char* name) {
    const size_t n = std::strlen(name);
    const size_t prefix = std::strlen(ViewerBusEndpoint::kSocketPrefix);
    const size_t suffix = std::strlen(ViewerBusEndpoint::kSocketSuffix);
    if (n <= prefix + suffix || std::strchr(name, '/')) return false;
    return std::strncmp(name, ViewerBusEndpoint::kSocketPrefix, prefix) == 0 &&
           std::strcmp(name + n - suffix, ViewerBusEndpoint::kSocketSuffix) == 0;
}

// Fills `addr` with a path address; false when the path does not fit.
bool makeAddress(const std::string& path, sockaddr_un* addr, socklen_t* len) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.data(), path.size());
    *len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return true;
}

// True when a socket file is still bound by a live socket; false when nobody listens there any more.
bool socketIsAlive(const std::string& path) {
    sockaddr_un addr;
    socklen_t len;
    if (!makeAddress(path, &addr, &len)) return true;  // cannot tell: leave it
    const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return true;
    const int r = connect(probe, reinterpret_cast<sockaddr*>(&addr), len);
    const int error = errno;
    close(probe);
    return r == 0 || error != ECONNREFUSED;
}

// Sockets are addressed through the open folder descriptor, so that a post reaches the folder that was
// checked even when another one has been put at its path meanwhile. Without /proc the folder's path is used.
std::string addressBase(int folderFd, const std::string& folder) {
    static const bool haveProc = [] {
        struct stat st {};
        return stat("/proc/self/fd", &st) == 0 && S_ISDIR(st.st_mode);
    }();
    return haveProc ? "/proc/self/fd/" + std::to_string(folderFd) : folder;
}

// The viewer socket names in the folder open as `folderFd`.
std::vector<std::string> viewerSockets(int folderFd) {
    std::vector<std::string> names;
    const int listFd = fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (listFd < 0) return names;
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        if (!isViewerSocketName(entry->d_name)) continue;
        struct stat st {};
        if (fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISSOCK(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

bool sameMessages(const ViewerBusEndpoint::Group& a, const ViewerBusEndpoint::Group& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].message != b[i].message) return false;
    return true;
}

std::atomic<int> endpointCounter{0};

int openTrace(const char* setting) {
    if (!setting || !*setting) return -1;
    for (const char* toStderr : {"1", "true", "yes"})
        if (strcasecmp(setting, toStderr) == 0) return fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    return ::open(setting, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

}  // namespace

ViewerBusEndpoint::ViewerBusEndpoint(Receiver receiver, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)) {
    // Development aid: with ORVENNA_BUS_TRACE set, every post and receipt is logged with a monotonic time
    // stamp (the end-to-end test measures the bus latency with it): "1", "true" or "yes" log to standard
    // error, any other value names the file the lines are appended to.
    traceFd_ = openTrace(std::getenv("ORVENNA_BUS_TRACE"));
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    QObject::connect(retry_, &QTimer::timeout, this, [this] { retryHeld(); });
}

ViewerBusEndpoint::~ViewerBusEndpoint() {
    delete notifier_;
    if (fd_ >= 0) {
        close(fd_);
        // Only from the folder this endpoint joined: a file at the same path elsewhere is not its own.
        std::string ignored;
        const int folderFd = openCheckedFolder(&ignored);
        if (folderFd >= 0) {
            unlinkat(folderFd, name_.c_str(), 0);
            close(folderFd);
        }
    }
    if (traceFd_ >= 0) close(traceFd_);
}

size_t ViewerBusEndpoint::heldGroups() const {
    size_t n = 0;
    for (const auto& entry : held_)
        n += entry.second.size();
    return n;
}

int ViewerBusEndpoint::openCheckedFolder(std::string* why) const {
    const int folderFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0) {
        if (errno == ELOOP)
            *why = folder_ + ": " + busText(QT_TRANSLATE_NOOP("ViewerBus", "シンボリックリンクです"));
        else if (errno == ENOENT)
            *why = folder_ + ": " + busText(QT_TRANSLATE_NOOP("ViewerBus", "フォルダがなくなりました"));
        else
            *why = folder_ + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    bool ours = fstat(folderFd, &st) == 0 && checkPrivate(folder_, st, why);
    if (ours && folderDevice_ != 0 && (st.st_dev != folderDevice_ || st.st_ino != folderInode_)) {
        *why = folder_ + ": " +
               busText(QT_TRANSLATE_NOOP("ViewerBus", "フォルダが別のものに置き換えられました"));
        ours = false;
    }
    if (!ours) {
        close(folderFd);
        return -1;
    }
    return folderFd;
}

bool ViewerBusEndpoint::open() {
    if (fd_ >= 0) return true;
    std::string why;
    const std::string folder = ViewerBus::runtimeFolder(&why);
    if (folder.empty()) {
        error_ = why;
        return false;
    }
    // One spelling of the folder for every process, so that senders' addresses can be compared with it.
    char resolved[PATH_MAX];
    folder_ = realpath(folder.c_str(), resolved) ? resolved : folder;
    folderDevice_ = 0;
    folderInode_ = 0;
    const int folderFd = openCheckedFolder(&why);
    if (folderFd < 0) {
        error_ = why;
        return false;
    }
    struct stat st {};
    fstat(folderFd, &st);
    folderDevice_ = st.st_dev;
    folderInode_ = st.st_ino;

    // Sockets left by viewers that died are removed before this one joins.
    const std::string base = addressBase(folderFd, folder_);
    for (const std::string& name : viewerSockets(folderFd)) {
        if (!socketIsAlive(base + "/" + name) && unlinkat(folderFd, name.c_str(), 0) == 0) ++stats_.removed;
    }
    close(folderFd);

    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        const char* error = std::strerror(errno);
        error_ = busText(QT_TRANSLATE_NOOP("ViewerBus", "ソケットを作れません (%1)"), {error});
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = kSocketPrefix + std::to_string(getpid()) + "-" +
                                 std::to_string(endpointCounter++) + kSocketSuffix;
        const std::string path = folder_ + "/" + name;
        sockaddr_un addr;
        socklen_t len;
        if (!makeAddress(path, &addr, &len)) {
            error_ = busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: ソケットには長すぎるパスです"), {path});
            close(fd);
            return false;
        }
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
            fd_ = fd;
            path_ = path;
            name_ = name;
            break;
        }
        if (errno != EADDRINUSE) {
            const char* error = std::strerror(errno);
            error_ = busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: ソケットを作れません (%2)"), {path, error});
            close(fd);
            return false;
        }
        // A name left by an earlier process with the same id: take it over when it is dead.
        if (!socketIsAlive(path) && unlink(path.c_str()) == 0) ++stats_.removed;
    }
    if (fd_ < 0) {
        error_ = busText(QT_TRANSLATE_NOOP("ViewerBus", "%1: 空いているソケット名がありません"), {folder_});
        close(fd);
        return false;
    }
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
    error_.clear();
    return true;
}

int ViewerBusEndpoint::postToAll(unsigned message, int32_t wparam) {
    return postGroupToAll({{message, wparam}});
}

int ViewerBusEndpoint::postGroupToAll(const Group& group) {
    for (const Message& m : group)
        trace("post", m.message, m.wparam);
    if (group.empty() || group.size() > kMaxGroup) return 0;
    if (fd_ < 0) {
        // Not on the bus: the viewer still receives its own post, after the running handler, as it would
        // through the socket.
        deliverLater(group);
        return 1;
    }
    std::string why;
    const int folderFd = openCheckedFolder(&why);
    if (folderFd < 0) {
        leave(why);
        deliverLater(group);
        return 1;
    }
    int taken = 0;
    bool reachedSelf = false;
    std::map<std::string, std::deque<Group>> before = std::move(held_);
    held_.clear();
    for (const std::string& name : viewerSockets(folderFd)) {
        const bool self = name == name_;
        // A receiver with groups waiting gets this one after them.
        if (auto waiting = before.find(name); waiting != before.end()) {
            held_.insert(before.extract(waiting));
            hold(name, group);
            reachedSelf = reachedSelf || self;
            continue;
        }
        switch (sendGroup(folderFd, name, group)) {
            case SendResult::Taken:
                ++taken;
                reachedSelf = reachedSelf || self;
                break;
            case SendResult::Full:
                hold(name, group);
                reachedSelf = reachedSelf || self;
                break;
            case SendResult::Gone:
                break;
            case SendResult::Failed:
                ++stats_.lost;
                break;
        }
    }
    close(folderFd);
    // Groups held for sockets that are gone are dropped with them.
    for (const auto& entry : before)
        stats_.lost += entry.second.size();
    // Its own socket file removed (by a cleaner): the viewer still sees its own post.
    if (!reachedSelf) deliverLater(group);
    if (!held_.empty()) scheduleRetry(true);
    return taken;
}

ViewerBusEndpoint::SendResult ViewerBusEndpoint::sendGroup(int folderFd, const std::string& name,
                                                           const Group& group) {
    unsigned char bytes[kMaxGroup * kDatagramSize];
    for (size_t i = 0; i < group.size(); ++i) {
        const uint32_t message = static_cast<uint32_t>(group[i].message);
        std::memcpy(bytes + i * kDatagramSize, &message, 4);
        std::memcpy(bytes + i * kDatagramSize + 4, &group[i].wparam, 4);
    }
    const size_t size = group.size() * kDatagramSize;
    sockaddr_un addr;
    socklen_t len;
    if (!makeAddress(addressBase(folderFd, folder_) + "/" + name, &addr, &len)) return SendResult::Failed;
    ssize_t sent;
    do {
        sent = sendto(fd_, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), len);
    } while (sent < 0 && errno == EINTR);
    if (sent == static_cast<ssize_t>(size)) {
        ++stats_.posted;
        return SendResult::Taken;
    }
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return SendResult::Full;
    if (sent < 0 && errno == ECONNREFUSED) {
        // Nobody is bound there any more: a viewer that ended without cleaning up.
        if (unlinkat(folderFd, name.c_str(), 0) == 0) ++stats_.removed;
        return SendResult::Gone;
    }
    if (sent < 0 && errno == ENOENT) return SendResult::Gone;
    return SendResult::Failed;
}

void ViewerBusEndpoint::hold(const std::string& name, const Group& group) {
    // Only the latest place matters: a newer group of the same messages makes an older one useless, while
    // groups of other messages (a magnification step, the other axis) keep their effect.
    std::deque<Group>& queue = held_[name];
    for (auto it = queue.begin(); it != queue.end();) {
        if (sameMessages(*it, group)) {
            it = queue.erase(it);
            ++stats_.superseded;
        } else {
            ++it;
        }
    }
    if (queue.size() >= kMaxPending) {
        queue.pop_front();
        ++stats_.lost;
    }
    queue.push_back(group);
    ++stats_.held;
}

void ViewerBusEndpoint::scheduleRetry(bool fromStart) {
    retryMs_ = fromStart ? kFirstRetryMs : std::min(retryMs_ * 2, kLastRetryMs);
    retry_->start(retryMs_);
}

void ViewerBusEndpoint::retryHeld() {
    if (held_.empty() || fd_ < 0) return;
    std::string why;
    const int folderFd = openCheckedFolder(&why);
    if (folderFd < 0) {
        leave(why);
        return;
    }
    for (auto it = held_.begin(); it != held_.end();) {
        std::deque<Group>& queue = it->second;
        bool dropped = false;
        while (!queue.empty()) {
            const SendResult result = sendGroup(folderFd, it->first, queue.front());
            if (result == SendResult::Full) break;
            if (result != SendResult::Taken) {
                dropped = true;
                break;
            }
            queue.pop_front();
        }
        if (dropped) {
            stats_.lost += queue.size();
            // Its own socket gone: the viewer still sees its own latest post.
            if (it->first == name_) deliverLater(queue.back());
        }
        it = queue.empty() || dropped ? held_.erase(it) : std::next(it);
    }
    close(folderFd);
    if (!held_.empty()) scheduleRetry(false);
}

void ViewerBusEndpoint::leave(const std::string& reason) {
    // The socket file stays where it is: the folder it lies in is no longer known to be ours.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();  // this may run inside the notifier's own signal
        notifier_ = nullptr;
    }
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    path_.clear();
    name_.clear();
    held_.clear();
    retry_->stop();
    error_ = reason;
    trace("leave", 0, 0);
    if (onLeave_) onLeave_(reason);
}

void ViewerBusEndpoint::deliverLater(const Group& group) {
    QTimer::singleShot(0, this, [this, group] {
        for (const Message& m : group)
            deliver(m.message, m.wparam);
    });
}

int ViewerBusEndpoint::drain() {
    if (fd_ < 0 || draining_) return 0;
    // Not re-entered: a handler that processes pending events (the redraw does) leaves the rest of the queue
    // for the next wake-up, so every message is handled in order.
    draining_ = true;
    if (notifier_) notifier_->setEnabled(false);
    int read = 0;
    while (read < batch_ && fd_ >= 0) {
        unsigned char buffer[kMaxGroup * kDatagramSize + 8];
        sockaddr_un from;
        socklen_t fromLen = sizeof from;
        std::memset(&from, 0, sizeof from);
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;  // EAGAIN: the queue is empty
        }
        ++read;
        if (n == 0 || n % kDatagramSize != 0 || n > static_cast<ssize_t>(kMaxGroup * kDatagramSize)) {
            ++stats_.ignoredSize;
            continue;
        }
        // Only viewer sockets of this folder may speak: the folder is private to this user, and an address
        // outside it (an unbound socket, an abstract name, another folder) is not a viewer.
        const size_t pathLen = fromLen > offsetof(sockaddr_un, sun_path)
                                   ? strnlen(from.sun_path, fromLen - offsetof(sockaddr_un, sun_path))
                                   : 0;
        const std::string sender(from.sun_path, pathLen);
        const size_t slash = sender.rfind('/');
        if (pathLen == 0 || slash == std::string::npos || sender.compare(0, slash, folder_) != 0 ||
            slash != folder_.size() || !isViewerSocketName(sender.c_str() + slash + 1)) {
            ++stats_.ignoredSender;
            continue;
        }
        // The group is handed on whole or not at all.
        Group group(static_cast<size_t>(n) / kDatagramSize);
        bool valid = true;
        for (size_t i = 0; i < group.size(); ++i) {
            uint32_t message;
            std::memcpy(&message, buffer + i * kDatagramSize, 4);
            std::memcpy(&group[i].wparam, buffer + i * kDatagramSize + 4, 4);
            group[i].message = message;
            valid = valid && message >= ViewerBus::kFirstMessage && message <= ViewerBus::kLastMessage;
        }
        if (!valid) {
            ++stats_.ignoredNumber;
            continue;
        }
        for (const Message& m : group)
            deliver(m.message, m.wparam);
    }
    if (read > 0) ++stats_.wakeups;
    if (notifier_) notifier_->setEnabled(true);
    draining_ = false;
    return read;
}

void ViewerBusEndpoint::deliver(unsigned message, int32_t wparam) {
    ++stats_.delivered;
    trace("recv", message, wparam);
    if (receiver_) receiver_(message, wparam);
}

void ViewerBusEndpoint::trace(const char* what, unsigned message, int32_t wparam) {
    if (traceFd_ < 0) return;
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %d %lld %u %d\n", what, static_cast<int>(getpid()), ns,
                                message, static_cast<int>(wparam));
    if (n > 0) {
        const ssize_t ignored = write(traceFd_, line, static_cast<size_t>(n));
        (void)ignored;
    }
}
