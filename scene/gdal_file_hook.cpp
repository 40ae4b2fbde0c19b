#include "scene/gdal_file_hook.h"

#include <cpl_vsi_error.h>
#include <cpl_vsi_virtual.h>
#include <sys/stat.h>

#include <cerrno>

namespace remos_gdal {

namespace {

// Whether GDAL may open the file at `name`: anything but a pipe, a device or a socket (a name that does not
// exist yet is left to the handler: GDAL writes the render command's output files).
bool may_open(const char* name) {
    struct stat st;
    if (!name || stat(name, &st) != 0) return true;
    return !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode));
}

// GDAL's own handler of plain paths with opens of special files refused; everything else is passed on.
class RegularFilesOnly : public VSIFilesystemHandler {
public:
    explicit RegularFilesOnly(VSIFilesystemHandler* inner) : inner_(inner) {}

    VSIVirtualHandle* Open(const char* name, const char* access, bool setError,
                           CSLConstList options) override {
        if (!may_open(name)) {
            errno = EPERM;
            if (setError) VSIError(VSIE_FileError, "%s: not a regular file", name);
            return nullptr;
        }
        return inner_->Open(name, access, setError, options);
    }
    int Stat(const char* name, VSIStatBufL* buf, int flags) override {
        return inner_->Stat(name, buf, flags);
    }
    int Unlink(const char* name) override { return inner_->Unlink(name); }
    int* UnlinkBatch(CSLConstList files) override { return inner_->UnlinkBatch(files); }
    int Mkdir(const char* name, long mode) override { return inner_->Mkdir(name, mode); }
    int Rmdir(const char* name) override { return inner_->Rmdir(name); }
    int RmdirRecursive(const char* name) override { return inner_->RmdirRecursive(name); }
    char** ReadDir(const char* name) override { return inner_->ReadDir(name); }
    char** ReadDirEx(const char* name, int maxFiles) override { return inner_->ReadDirEx(name, maxFiles); }
    char** SiblingFiles(const char* name) override { return inner_->SiblingFiles(name); }
    int Rename(const char* from, const char* to) override { return inner_->Rename(from, to); }
    int IsCaseSensitive(const char* name) override { return inner_->IsCaseSensitive(name); }
    GIntBig GetDiskFreeSpace(const char* name) override { return inner_->GetDiskFreeSpace(name); }
    int SupportsSparseFiles(const char* name) override { return inner_->SupportsSparseFiles(name); }
    int HasOptimizedReadMultiRange(const char* name) override {
        return inner_->HasOptimizedReadMultiRange(name);
    }
    VSIDIR* OpenDir(const char* name, int depth, const char* const* options) override {
        return inner_->OpenDir(name, depth, options);
    }
    bool IsLocal(const char* name) override { return inner_->IsLocal(name); }
    bool SupportsSequentialWrite(const char* name, bool localTemp) override {
        return inner_->SupportsSequentialWrite(name, localTemp);
    }
    bool SupportsRandomWrite(const char* name, bool localTemp) override {
        return inner_->SupportsRandomWrite(name, localTemp);
    }

private:
    VSIFilesystemHandler* inner_;
};

}  // namespace

void install_file_hook() {
    VSIFilesystemHandler* plain = VSIFileManager::GetHandler("");
    // Lives as long as the process, like GDAL's own handlers.
    VSIFileManager::InstallHandler("", new RegularFilesOnly(plain));
}

}  // namespace remos_gdal
