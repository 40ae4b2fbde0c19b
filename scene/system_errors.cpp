#include "scene/system_errors.h"

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
