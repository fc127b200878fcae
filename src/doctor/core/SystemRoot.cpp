#include "doctor/core/SystemRoot.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace wayline {

namespace fs = std::filesystem;

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

TSystemRoot::TSystemRoot(fs::path root) : RootPath(std::move(root)) {
    if (RootPath.empty()) {
        RootPath = "/";
    }
}

bool TSystemRoot::IsHostRoot() const {
    std::error_code ec;
    return fs::equivalent(RootPath, "/", ec);
}

fs::path TSystemRoot::Map(std::string_view systemPath) const {
    while (!systemPath.empty() && systemPath.front() == '/') {
        systemPath.remove_prefix(1);
    }
    return systemPath.empty() ? RootPath : RootPath / fs::path(systemPath);
}

std::optional<std::string> TSystemRoot::ReadFile(std::string_view systemPath,
                                                 std::size_t limit) const {
    const fs::path path = Map(systemPath);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // Files under /proc and /sys report no size: read in pieces up to the limit.
    std::string text;
    char buffer[4096];
    while (text.size() < limit && in) {
        in.read(buffer, static_cast<std::streamsize>(std::min(sizeof buffer, limit - text.size())));
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> TSystemRoot::ReadValue(std::string_view systemPath) const {
    const std::optional<std::string> text = ReadFile(systemPath, 4096);
    if (!text) {
        return std::nullopt;
    }
    std::string_view line = *text;
    line = line.substr(0, line.find('\n'));
    return std::string(Trim(line));
}

std::vector<std::string> TSystemRoot::ListDir(std::string_view systemPath) const {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(Map(systemPath), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> TSystemRoot::ReadLink(std::string_view systemPath) const {
    std::error_code ec;
    const fs::path target = fs::read_symlink(Map(systemPath), ec);
    if (ec) {
        return std::nullopt;
    }
    return target.string();
}

bool TSystemRoot::Exists(std::string_view systemPath) const {
    std::error_code ec;
    return fs::exists(Map(systemPath), ec);
}

std::optional<TFileStatus> TSystemRoot::Status(std::string_view systemPath) const {
    struct stat st {};
    if (::stat(Map(systemPath).c_str(), &st) != 0) {
        return std::nullopt;
    }
    TFileStatus status{st.st_uid, st.st_gid, static_cast<std::uint32_t>(st.st_mode & 07777)};
    status.CharDevice = S_ISCHR(st.st_mode);
    if (status.CharDevice) {
        status.Major = ::major(st.st_rdev);
        status.Minor = ::minor(st.st_rdev);
    }
    return status;
}

std::optional<std::string> TSystemRoot::AccessAcl(std::string_view systemPath) const {
    const std::string path = Map(systemPath).string();
    static constexpr const char* Name = "system.posix_acl_access";
    const ssize_t size = ::getxattr(path.c_str(), Name, nullptr, 0);
    if (size <= 0 || size > 65536) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const ssize_t read = ::getxattr(path.c_str(), Name, bytes.data(), bytes.size());
    if (read <= 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(read));
    return bytes;
}

std::optional<std::string> TSystemRoot::Resolve(std::string_view systemPath) const {
    std::error_code ec;
    const fs::path resolved = fs::canonical(Map(systemPath), ec);
    if (ec) {
        return std::nullopt;
    }
    const fs::path root = fs::canonical(RootPath, ec);
    if (ec) {
        return std::nullopt;
    }
    // The part below the root, as a system path; a link that leads out of a
    // test's tree leads nowhere.
    const fs::path relative = resolved.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") {
        return std::nullopt;
    }
    return relative == "." ? std::string("/") : "/" + relative.string();
}

std::string ParentPath(std::string_view systemPath) {
    while (systemPath.size() > 1 && systemPath.back() == '/') {
        systemPath.remove_suffix(1);
    }
    const std::size_t slash = systemPath.rfind('/');
    if (slash == std::string_view::npos || slash == 0) {
        return "/";
    }
    return std::string(systemPath.substr(0, slash));
}

std::string BaseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace wayline
