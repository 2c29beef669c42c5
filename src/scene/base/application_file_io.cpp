#include "scene/base/application_file_io.h"

#include "platform/paths.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {

struct FileHooks {
  TAFIOCreateFileStream create_stream;
  TAFIOFileStreamExists stream_exists;
  TApplicationFileIO* component = nullptr;
};

FileHooks& Hooks() {
  static FileHooks hooks;
  return hooks;
}

// The name after the last folder separator or drive colon.
std::string BareName(const std::string& file_name) {
  const auto cut = file_name.find_last_of("\\:/");
  return cut == std::string::npos ? file_name : file_name.substr(cut + 1);
}

}  // namespace

void SetFileStreamHooks(TAFIOCreateFileStream create_stream, TAFIOFileStreamExists stream_exists) {
  Hooks().create_stream = std::move(create_stream);
  Hooks().stream_exists = std::move(stream_exists);
}

TApplicationFileIO::TApplicationFileIO() {
  if (Hooks().component == nullptr) Hooks().component = this;
}

TApplicationFileIO::~TApplicationFileIO() {
  if (Hooks().component == this) Hooks().component = nullptr;
}

bool ApplicationFileIODefined() {
  const FileHooks& hooks = Hooks();
  return (hooks.create_stream && hooks.stream_exists) || hooks.component != nullptr;
}

std::unique_ptr<TStream> OpenDataStream(const std::string& file_name, std::uint16_t mode) {
  const FileHooks& hooks = Hooks();
  if (hooks.create_stream) return hooks.create_stream(file_name, mode);
  if (hooks.component != nullptr && hooks.component->OnFileStream) {
    if (auto stream = hooks.component->OnFileStream(file_name, mode)) return stream;
  }
  if (mode != fmCreate && !FileExists(file_name)) {
    throw Exception("File not found: \"" + file_name + "\"");
  }
  return std::make_unique<TFileStream>(file_name, mode);
}

bool DataStreamExists(const std::string& file_name) {
  const FileHooks& hooks = Hooks();
  if (hooks.stream_exists) return hooks.stream_exists(file_name);
  if (hooks.component != nullptr && hooks.component->OnFileStreamExists) {
    return hooks.component->OnFileStreamExists(file_name);
  }
  return FileExists(file_name);
}

void TDataFile::LoadFromFile(const std::string& file_name) {
  resource_name_ = BareName(file_name);
  auto stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyNone);
  LoadFromStream(*stream);
}

void TDataFile::SaveToFile(const std::string& file_name) {
  resource_name_ = BareName(file_name);
  auto stream = OpenDataStream(file_name, fmCreate);
  SaveToStream(*stream);
}

void TDataFile::SaveToStream(TStream& stream) {
  SceneAssert(false,
              std::string("Export for ") + ClassName() + " to " + stream.ClassName() + " not available.");
}

}  // namespace zentrova
