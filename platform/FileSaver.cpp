#include "platform/FileSaver.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SystemErrors.h"

namespace {

QByteArray folderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace

bool saveFileWhole(const QByteArray& path, const QByteArray& data, QString* error) {
    const QByteArray folder = folderOf(path);
    QByteArray temporary = folder + "/.orvenna-save-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        const int reason = errno;
        // Refused rather than written in place: a failure half way would leave a broken file.
        *error = QCoreApplication::translate("FileSaver", "フォルダ \"%1\" に書き込めません: %2")
                     .arg(QString::fromUtf8(folder), systemErrorText(reason));
        return false;
    }
    // A new file gets the usual permissions (mkstemp makes it private); an existing one keeps its own.
    struct stat st;
    mode_t mode = 0666;
    if (stat(path.constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    int reason = 0;
    if (!writeAll(fd, data) || fsync(fd) != 0) reason = errno;
    if (close(fd) != 0 && reason == 0) reason = errno;
    if (reason == 0 && fchmodat(AT_FDCWD, temporary.constData(), mode, 0) != 0) reason = errno;
    if (reason == 0 && rename(temporary.constData(), path.constData()) != 0) reason = errno;
    if (reason != 0) {
        unlink(temporary.constData());
        *error = systemErrorText(reason);
        return false;
    }
    return true;
}
