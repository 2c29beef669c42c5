// Vector files: the reader/writer classes through which mesh data reaches a mesh scene object, chosen by
// the file name's extension from one process-wide registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "scene/base/application_file_io.h"
#include "scene/base/class_name.h"

namespace zentrova {

class TGLBaseMesh;
class TVectorFile;

enum TMeshNormalsOrientation : std::uint8_t { mnoDefault = 0, mnoInvert = 1 };

// A reader/writer class: makes a file object for a mesh.
using TVectorFileClass = std::unique_ptr<TVectorFile> (*)(TPersistent* owner);

class EInvalidVectorFile : public Exception {
 public:
  using Exception::Exception;
};

class TVectorFile : public TDataFile {
 public:
  // The owner must be a mesh (assertion failure otherwise).
  explicit TVectorFile(TPersistent* owner);
  ZENTROVA_CLASS(TVectorFile)
  TGLBaseMesh& Owner() const { return *mesh_; }
  TMeshNormalsOrientation NormalsOrientation() const { return normals_orientation_; }
  virtual void SetNormalsOrientation(TMeshNormalsOrientation value) { normals_orientation_ = value; }

 private:
  TGLBaseMesh* mesh_;
  TMeshNormalsOrientation normals_orientation_ = mnoDefault;
};

struct TVectorFileFormat {
  TVectorFileClass VectorFileClass;
  std::string Extension;  // without the dot, lower case
  std::string Description;
  std::int32_t DescResID;
};

class TVectorFileFormatsList {
 public:
  // The extension is stored lower-cased.
  void Add(const std::string& extension, const std::string& description, TVectorFileClass file_class,
           std::int32_t desc_res_id);
  // The class of the last registration of the lower-cased extension, or nullptr.
  TVectorFileClass FindExt(const std::string& ext) const;
  // By the extension of the name; none raises EInvalidVectorFile.
  TVectorFileClass FindFromFileName(const std::string& file_name) const;
  const std::vector<TVectorFileFormat>& Formats() const { return formats_; }

 private:
  std::vector<TVectorFileFormat> formats_;
};

// The registry, created on first use.
TVectorFileFormatsList& GetVectorFileFormats();
void RegisterVectorFileFormat(const std::string& extension, const std::string& description,
                              TVectorFileClass file_class);

}  // namespace zentrova
