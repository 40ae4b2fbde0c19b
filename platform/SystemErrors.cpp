#include "platform/SystemErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

QString systemErrorText(int error) {
    switch (error) {
        case ENOENT:
            return QStringLiteral("ファイルがありません");
        case EACCES:
        case EPERM:
            return QStringLiteral("許可されていません");
        case ENOSPC:
            return QStringLiteral("デバイスに空き領域がありません");
        case EDQUOT:
            return QStringLiteral("ディスク使用量の上限を超えました");
        case EROFS:
            return QStringLiteral("読み込み専用のファイルシステムです");
        case EISDIR:
            return QStringLiteral("フォルダです");
        case ENOTDIR:
            return QStringLiteral("パスの途中がフォルダではありません");
        case ENAMETOOLONG:
            return QStringLiteral("名前が長すぎます");
        case ELOOP:
            return QStringLiteral("シンボリックリンクが多すぎます");
        case EIO:
            return QStringLiteral("入出力エラーです");
        case EFBIG:
            return QStringLiteral("ファイルが大きすぎます");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("開いているファイルが多すぎます");
        case ENOMEM:
            return QStringLiteral("メモリが足りません");
        case ENODEV:
            return QStringLiteral("通常のファイルではありません");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString unreadableFileReason(const QByteArray& path) {
    struct stat st;
    if (stat(path.constData(), &st) != 0) return systemErrorText(errno);
    if (S_ISDIR(st.st_mode)) return QStringLiteral("フォルダです");
    if (S_ISFIFO(st.st_mode)) return QStringLiteral("名前付きパイプです");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return QStringLiteral("デバイスです");
    if (S_ISSOCK(st.st_mode)) return QStringLiteral("ソケットです");
    if (!S_ISREG(st.st_mode)) return systemErrorText(ENODEV);
    // Permissions are what opening says (access() answers for the real user, and root reads anything).
    const int fd = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return systemErrorText(errno);
    close(fd);
    return QString();
}

QString displayFileName(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    const QString name = QString::fromUtf8(slash >= 0 ? path.mid(slash + 1) : path);
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u == '\n')
            shown += QStringLiteral("\\n");
        else if (u == '\t')
            shown += QStringLiteral("\\t");
        else if (u == '\r')
            shown += QStringLiteral("\\r");
        else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}
