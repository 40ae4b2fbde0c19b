#include "scene/system_errors.h"

#include "scene/remos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string system_error_text(int error) {
    switch (error) {
        case ENOENT:
            return "ファイルがありません";
        case EACCES:
        case EPERM:
            return "許可されていません";
        case ENOSPC:
            return "デバイスに空き領域がありません";
        case EDQUOT:
            return "ディスク使用量の上限を超えました";
        case EROFS:
            return "読み込み専用のファイルシステムです";
        case EISDIR:
            return "フォルダです";
        case ENOTDIR:
            return "パスの途中がフォルダではありません";
        case ENAMETOOLONG:
            return "名前が長すぎます";
        case ELOOP:
            return "シンボリックリンクが多すぎます";
        case EIO:
            return "入出力エラーです";
        case EFBIG:
            return "ファイルが大きすぎます";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        case ENOMEM:
            return "メモリが足りません";
        case ENODEV:
            return "通常のファイルではありません";
        default:
            return std::strerror(error);
    }
}

std::string unreadable_file_reason(const char* path) {
    struct stat st;
    if (!path || stat(path, &st) != 0) return system_error_text(path ? errno : ENOENT);
    if (S_ISDIR(st.st_mode)) return "フォルダです";
    if (S_ISFIFO(st.st_mode)) return "名前付きパイプです";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "デバイスです";
    if (S_ISSOCK(st.st_mode)) return "ソケットです";
    if (!S_ISREG(st.st_mode)) return system_error_text(ENODEV);
    // Permissions are what opening says (access() answers for the real user, and root reads anything).
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return system_error_text(errno);
    close(fd);
    return std::string();
}

std::string scene_refusal_text(const SceneFile* scene) {
    const char* reason = remos_open_reason(scene);
    const std::string why = reason && *reason ? reason : "読めません";
    if (scene && scene->format == FMT_TIFF) return "TIFF ですが読めません: " + why;
    if (scene && scene->format == FMT_GDAL) return "は表示できません: " + why;
    return "は不明な衛星データ形式です";
}
