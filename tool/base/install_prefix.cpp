#include "tool/base/install_prefix.h"

#include <system_error>

std::filesystem::path InstallPrefix() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path().parent_path();
}
