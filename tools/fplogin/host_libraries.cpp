#include "host_libraries.h"

#include <dlfcn.h>

#include "hxkmgr.h"

namespace fplogin {
namespace {

// The folder of the key manager, which this program links: the other
// libraries are installed (and built) beside it.
std::string KeyManagerFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&HXKeyOpen), &info) == 0 || info.dli_fname == nullptr) return {};
    const std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The search path first, then the key manager's folder. (A dlopen wrapped
// by a sanitizer runtime no longer sees this program's run path.)
void *Open(const char *name, int mode, std::string *error) {
    if (void *handle = dlopen(name, mode)) return handle;
    *error = std::string("cannot load ") + name + ": " + dlerror();
    const std::string folder = KeyManagerFolder();
    if (folder.empty()) return nullptr;
    void *handle = dlopen((folder + name).c_str(), mode);
    if (handle != nullptr) error->clear();
    return handle;
}

template <typename Function>
bool Find(void *library, const char *name, Function *slot, std::string *error) {
    // The loader hands out object pointers; this is how they become functions.
    *slot = reinterpret_cast<Function>(dlsym(library, name));
    if (*slot == nullptr) *error = std::string(name) + " not found";
    return *slot != nullptr;
}

}  // namespace

bool HostLibraries::Load(std::string *error) {
    // The handles stay open for the life of the process.
    void *device = Open("libfpdevice.so.1", RTLD_NOW | RTLD_GLOBAL, error);
    if (device == nullptr || Open("libhxpkcs.so", RTLD_NOW | RTLD_GLOBAL, error) == nullptr) return false;
    void *login = Open("libauthdlg.so.1", RTLD_NOW, error);
    if (login == nullptr) return false;
    return Find(login, "HXLoginVerify", &loginVerify_, error) &&
           Find(device, "HXSCardAuthBio", &device_.authBio, error) &&
           Find(device, "HXDactylGetVerifyMode", &device_.getVerifyMode, error) &&
           Find(device, "HXDactylSetVerifyMode", &device_.setVerifyMode, error) &&
           Find(device, "HXDactylGetMaxTmpltNum", &device_.getMaxTmpltNum, error) &&
           Find(device, "HXDactylReadIndexFile", &device_.readIndexFile, error) &&
           Find(device, "HXDactylCaptureImage", &device_.captureImage, error) &&
           Find(device, "HXDactylFeatureExtract", &device_.featureExtract, error) &&
           Find(device, "HXDactylFeatureEnroll", &device_.featureEnroll, error) &&
           Find(device, "HXDactylFeatureVerifyTest", &device_.featureVerifyTest, error);
}

}  // namespace fplogin
