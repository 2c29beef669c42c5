// A shader's published Enabled through the form stream: left out while true, read back when false.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scene/base/class_registration.h"
#include "scene/materials/shader.h"
#include "scene/stream_test_support.h"

namespace zentrova {

// A shader that draws nothing of its own: only its published properties matter here.
class TPlainShader : public TGLShader {
 public:
  ZENTROVA_CLASS(TPlainShader)

 protected:
  void ApplyPass(TRenderContextInfo&, TObject*) override {}
  bool RestorePass(TRenderContextInfo&) override { return false; }
};
ZENTROVA_REGISTER_CLASS(TPlainShader);

namespace {

using test::Bytes;
using test::Named;
using test::ReadBack;

TEST(ShaderStreaming, EnabledIsLeftOutWhileTrueAndReadBackWhenFalse) {
  TPlainShader shader;
  shader.SetName("Toon");
  const std::string enabled = Bytes(shader);
  EXPECT_EQ(enabled.find(Named("Enabled")), std::string::npos);
  EXPECT_TRUE(dynamic_cast<TGLShader&>(*ReadBack(enabled)).Enabled());

  shader.SetEnabled(false);
  const std::string disabled = Bytes(shader);
  EXPECT_NE(disabled.find(Named("Enabled") + '\x08'), std::string::npos);  // the value False
  const std::unique_ptr<TComponent> read = ReadBack(disabled);
  const auto& back = dynamic_cast<const TPlainShader&>(*read);
  EXPECT_FALSE(back.Enabled());
  EXPECT_EQ(back.Name(), "Toon");
  EXPECT_EQ(Bytes(back), disabled);
}

}  // namespace
}  // namespace zentrova
