// The one door through which the scene library opens files, so that an application can redirect file
// access (to an archive, to resources) by installing hooks. Without hooks plain file streams are used.
// The hooks are process-wide and meant to be set once at start-up, before any other thread opens files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/base/streams.h"

namespace zentrova {

using TAFIOCreateFileStream =
    std::function<std::unique_ptr<TStream>(const std::string& file_name, std::uint16_t mode)>;
using TAFIOFileStreamExists = std::function<bool(const std::string& file_name)>;

// Installs (or, with empty functions, removes) the two stream hooks.
void SetFileStreamHooks(TAFIOCreateFileStream create_stream, TAFIOFileStreamExists stream_exists);

// A component whose events replace direct file access while it exists. The first one created becomes
// the process-wide file-access component; destroying it removes it.
class TApplicationFileIO : public TComponent {
 public:
  TApplicationFileIO();
  ~TApplicationFileIO() override;
  ZENTROVA_CLASS(TApplicationFileIO)

  // May return nullptr to fall back to the file system.
  std::function<std::unique_ptr<TStream>(const std::string& file_name, std::uint16_t mode)> OnFileStream;
  std::function<bool(const std::string& file_name)> OnFileStreamExists;
};

// True when both stream hooks are installed or a file-access component exists.
bool ApplicationFileIODefined();
// A new stream on the file, owned by the caller. Reading a missing file raises Exception
// "File not found: "<name>"".
std::unique_ptr<TStream> OpenDataStream(const std::string& file_name, std::uint16_t mode);
bool DataStreamExists(const std::string& file_name);

// Capabilities of a data-file format.
inline constexpr unsigned dfcRead = 1;
inline constexpr unsigned dfcWrite = 2;

// Base of the library's loadable file formats.
class TDataFile : public TPersistent {
 public:
  explicit TDataFile(TPersistent* owner) : owner_(owner) {}
  ZENTROVA_CLASS(TDataFile)

  virtual unsigned Capabilities() const { return dfcRead; }
  TPersistent* GetOwner() const override { return owner_; }
  TPersistent* Owner() const { return owner_; }
  // The bare name of the last file loaded or saved.
  const std::string& ResourceName() const { return resource_name_; }
  void SetResourceName(const std::string& name) { resource_name_ = name; }

  // A new, empty object of this object's own class with the given owner; the caller owns it.
  virtual std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const = 0;
  virtual void LoadFromFile(const std::string& file_name);
  virtual void SaveToFile(const std::string& file_name);
  virtual void LoadFromStream(TStream& stream) = 0;
  // Formats that cannot export raise "Export for <class> to <stream class> not available.".
  virtual void SaveToStream(TStream& stream);

 private:
  TPersistent* owner_;
  std::string resource_name_;
};

}  // namespace zentrova
