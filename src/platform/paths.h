// File names and the file system. Stored model paths may use "\"; they are turned into "/".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

std::string ToNativeSeparators(std::string path);  // every "\" becomes "/"
std::string IncludeTrailingSeparator(std::string path);
std::string ExtractFilePath(const std::string& path);  // folder with its trailing "/", or ""
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);   // ".ext" or ""
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string ExtractFileBaseName(const std::string& path);  // name without folder and extension
std::string JoinPath(const std::string& folder, const std::string& name);

bool FileExists(const std::string& path);       // a regular file
bool DirectoryExists(const std::string& path);
// The existing file of that name: the exact name first, then a case-insensitive match in the same
// folder; "" when neither exists.
std::string FindFile(const std::string& path);
bool CreateDir(const std::string& path);        // one level; false when it exists or fails
bool ForceDirectories(const std::string& path); // every missing level
bool RemoveDir(const std::string& path);        // an empty folder
bool RemoveTree(const std::string& path);       // a folder with everything in it
bool DeleteFile(const std::string& path);
// `error`, when given, receives the system's error number of a copy that failed (0 when `from` is no
// regular file).
bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists, int* error = nullptr);
std::int64_t FileSize(const std::string& path);  // -1 when missing
// Names (not paths) of the entries of a folder, sorted; `folders` selects folders or files.
std::vector<std::string> ListDirectory(const std::string& path, bool folders);
std::string CurrentDirectory();

// ": " and the system's text of an error number (": No space left on device"), "" for 0: how a line
// about a file operation that failed gives its reason before its full stop.
std::string ReasonText(int error);

}  // namespace zentrova
