#include "scene/system_errors.h"

#include "scene/remos.h"
#include "text/translated_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using orvenna::fill_text;
using orvenna::tr_text;

std::string system_error_text(int error) {
    switch (error) {
        case ENOENT:
            return tr_text("SystemErrors", "ファイルがありません");
        case EACCES:
        case EPERM:
            return tr_text("SystemErrors", "許可されていません");
        case ENOSPC:
            return tr_text("SystemErrors", "デバイスに空き領域がありません");
        case EDQUOT:
            return tr_text("SystemErrors", "ディスク使用量の上限を超えました");
        case EROFS:
            return tr_text("SystemErrors", "読み込み専用のファイルシステムです");
        case EISDIR:
            return tr_text("SystemErrors", "フォルダです");
        case ENOTDIR:
            return tr_text("SystemErrors", "パスの途中がフォルダではありません");
        case ENAMETOOLONG:
            return tr_text("SystemErrors", "名前が長すぎます");
        case ELOOP:
            return tr_text("SystemErrors", "シンボリックリンクが多すぎます");
        case EIO:
            return tr_text("SystemErrors", "入出力エラーです");
        case EFBIG:
            return tr_text("SystemErrors", "ファイルが大きすぎます");
        case EMFILE:
        case ENFILE:
            return tr_text("SystemErrors", "開いているファイルが多すぎます");
        case ENOMEM:
            return tr_text("SystemErrors", "メモリが足りません");
        case ENODEV:
            return tr_text("SystemErrors", "通常のファイルではありません");
        default:
            return std::strerror(error);
    }
}

std::string unreadable_file_reason(const char* path) {
    struct stat st;
    if (!path || stat(path, &st) != 0) return system_error_text(path ? errno : ENOENT);
    if (S_ISDIR(st.st_mode)) return tr_text("SystemErrors", "フォルダです");
    if (S_ISFIFO(st.st_mode)) return tr_text("SystemErrors", "名前付きパイプです");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return tr_text("SystemErrors", "デバイスです");
    if (S_ISSOCK(st.st_mode)) return tr_text("SystemErrors", "ソケットです");
    if (!S_ISREG(st.st_mode)) return system_error_text(ENODEV);
    // Permissions are what opening says (access() answers for the real user, and root reads anything).
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return system_error_text(errno);
    close(fd);
    return std::string();
}

std::string scene_refusal_text(const SceneFile* scene) {
    const char* reason = remos_open_reason(scene);
    const std::string why = reason && *reason ? std::string(reason) : tr_text("Scene", "読めません");
    if (scene && scene->format == FMT_TIFF)
        return fill_text(tr_text("Scene", "TIFF ですが読めません: %1"), {why});
    if (scene && scene->format == FMT_GDAL) return fill_text(tr_text("Scene", "は表示できません: %1"), {why});
    return tr_text("Scene", "は不明な衛星データ形式です");
}
