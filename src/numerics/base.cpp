#include "numerics/base.h"

#include <typeinfo>

#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

void TBase::Error(std::int32_t Code, const std::string& Message) const {
  RaiseNumericsError(ID, Code, Message, ShowErrors);
}

void TBase::Assign(const TBase* Source) {
  if (Source == nullptr) return;
  ID = Source->ID;
  ShowErrors = Source->ShowErrors;
}

bool TBase::IsEqual(const TBase* Other) const {
  if (Other == nullptr) return false;
  return typeid(*this) == typeid(*Other) && ID == Other->ID && ShowErrors == Other->ShowErrors;
}

bool TBase::Save(const std::string& FileName) const {
  TTextWriter writer;
  if (writer.Open(FileName, TTextWriter::Mode::Create)) {
    writer.WriteLine(IntToText(ID));
    writer.WriteLine(ShowErrors ? "true" : "false");
    if (writer.Close()) return true;
  }
  Error(-102, "TBase.Save: Can not access the file");
  return false;
}

bool TBase::InternalLoad(TTextReader& F) {
  std::int64_t id = 0;
  const bool id_ok = ReadIntLine(F, INT32_MIN, INT32_MAX, id);
  if (id_ok) ID = static_cast<std::int32_t>(id);
  std::string line;
  const bool flag_ok = F.ReadLine(line);
  if (flag_ok) ShowErrors = LowerCase(line) == "true";
  if (id_ok && flag_ok) return true;
  Error(-104, "TBase.InternalLoad: Error loading the file");
  return false;
}

bool TBase::ReadIntLine(TTextReader& F, std::int64_t lowest, std::int64_t highest, std::int64_t& value) {
  std::int64_t read = 0;
  const bool ok = F.ReadInt(read) && read >= lowest && read <= highest;
  F.SkipLine();
  if (ok) value = read;
  return ok;
}

bool TBase::ReadFloatLine(TTextReader& F, long double& value) {
  long double read = 0;
  const bool ok = F.ReadFloat(read);
  F.SkipLine();
  if (ok) value = read;
  return ok;
}

bool TBase::OpenForAppend(TTextWriter& writer, const std::string& FileName) {
  return writer.Open(FileName, TTextWriter::Mode::Append);
}

}  // namespace zentrova
