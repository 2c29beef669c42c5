#include "scene/extras/mesh/vector_file.h"

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cwctype>

#include "platform/paths.h"
#include "scene/base/scene_errors.h"
#include "scene/extras/mesh/base_mesh.h"

namespace zentrova {

namespace {

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

TVectorFile::TVectorFile(TPersistent* owner) : TDataFile(owner), mesh_(dynamic_cast<TGLBaseMesh*>(owner)) {
  SceneAssert(mesh_ != nullptr);
}

void TVectorFileFormatsList::Add(const std::string& extension, const std::string& description,
                                 TVectorFileClass file_class, std::int32_t desc_res_id) {
  formats_.push_back({file_class, LowerCase(extension), description, desc_res_id});
}

TVectorFileClass TVectorFileFormatsList::FindExt(const std::string& ext) const {
  const std::string key = LowerCase(ext);
  // From the last registration back: a later one of the same extension wins.
  for (auto it = formats_.rbegin(); it != formats_.rend(); ++it) {
    if (it->Extension == key) return it->VectorFileClass;
  }
  return nullptr;
}

TVectorFileClass TVectorFileFormatsList::FindFromFileName(const std::string& file_name) const {
  std::string ext = ExtractFileExt(file_name);
  if (!ext.empty()) ext.erase(0, 1);
  const TVectorFileClass found = FindExt(ext);
  if (found == nullptr) {
    throw EInvalidVectorFile("Unknown file extension (" + ext +
                             "), maybe you forgot to add the support unit to your uses? (GLFile" + UpperCase(ext) +
                             "?)");
  }
  return found;
}

TVectorFileFormatsList& GetVectorFileFormats() {
  static TVectorFileFormatsList formats;
  return formats;
}

void RegisterVectorFileFormat(const std::string& extension, const std::string& description,
                              TVectorFileClass file_class) {
  GetVectorFileFormats().Add(extension, description, file_class, 0);
}

}  // namespace zentrova
