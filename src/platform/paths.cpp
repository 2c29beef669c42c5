#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/strings.h"

namespace fs = std::filesystem;

namespace zentrova {

std::string ToNativeSeparators(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string IncludeTrailingSeparator(std::string path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

std::string ExtractFilePath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::string ext_now = ExtractFileExt(path);
  return path.substr(0, path.size() - ext_now.size()) + ext;
}

std::string ExtractFileBaseName(const std::string& path) {
  const std::string name = ExtractFileName(path);
  return name.substr(0, name.size() - ExtractFileExt(name).size());
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return IncludeTrailingSeparator(folder) + name;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

std::string FindFile(const std::string& path) {
  if (FileExists(path)) return path;
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  if (name.empty()) return {};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? fs::path(".") : fs::path(folder), ec)) {
    const std::string candidate = entry.path().filename().string();
    if (SameText(candidate, name) && entry.is_regular_file(ec)) return folder + candidate;
  }
  return {};
}

bool CreateDir(const std::string& path) {
  std::error_code ec;
  return fs::create_directory(path, ec) && !ec;
}

bool ForceDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return !ec && DirectoryExists(path);
}

bool RemoveDir(const std::string& path) {
  std::error_code ec;
  return DirectoryExists(path) && fs::remove(path, ec) && !ec;
}

bool RemoveTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  return !ec && !fs::exists(path, ec);
}

bool DeleteFile(const std::string& path) {
  std::error_code ec;
  return FileExists(path) && fs::remove(path, ec) && !ec;
}

bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists, int* error) {
  std::error_code ec;
  if (!FileExists(from)) return false;
  const auto options = fail_if_exists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (fs::copy_file(from, to, options, ec) && !ec) return true;
  if (error != nullptr) *error = ec.value();
  return false;
}

std::int64_t FileSize(const std::string& path) {
  std::error_code ec;
  if (!FileExists(path)) return -1;
  const auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

std::vector<std::string> ListDirectory(const std::string& path, bool folders) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(path.empty() ? fs::path(".") : fs::path(path), ec)) {
    const bool is_dir = entry.is_directory(ec);
    if (is_dir == folders) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReasonText(int error) {
  return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
}

std::string CurrentDirectory() {
  std::error_code ec;
  return IncludeTrailingSeparator(fs::current_path(ec).string());
}

}  // namespace zentrova
