// The process-wide manager of outline-font display lists: one set of glyph lists per
// distinct key (font name in any letter case, styles, extrusion, deviation, character range), shared by
// every text that uses the key and counted by reference; the last release deletes the lists.
//
// List i of an entry holds the solid glyph of the code-page-1252 character first + i in em units
// (em = 1: the font's size is no part of the key) and ends with the translation by its advance. The
// glyph triangles stay with the entry too, so that a pick pass can draw them directly. GUI thread, with
// the scene's context current.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fonts/font.h"
#include "scene/gl/context.h"
#include "scene/objects/glyph_mesh.h"

namespace zentrova {

// Six singles per glyph, as the original's outline-font metrics: black box, its upper-left corner (y up
// from the baseline) and where the next glyph starts.
struct TGlyphMetricsFloat {
  float gmfBlackBoxX = 0;
  float gmfBlackBoxY = 0;
  float gmfptGlyphOriginX = 0;
  float gmfptGlyphOriginY = 0;
  float gmfCellIncX = 0;
  float gmfCellIncY = 0;
};

// An object that draws with an entry: told when the entry's lists go ("SceneFontManagerMessage").
class TFontManagerClient {
 public:
  virtual void FontLost() = 0;

 protected:
  ~TFontManagerClient() = default;
};

struct TFontEntry {
  std::string Name;
  TFontStyles Styles;
  float Extrusion = 0;
  float AllowedDeviation = 0;
  int FirstChar = 0;
  int LastChar = 0;
  int RefCount = 0;
  // The lists' base name; its Tag holds the number of lists.
  TGLVirtualHandle ListHandle;
  std::array<TGlyphMetricsFloat, 256> GlyphsMetrics{};
  // Glyph i for character FirstChar + i.
  std::vector<TGlyphMesh> Glyphs;
  std::vector<TFontManagerClient*> Clients;
};

class TFontManager {
 public:
  TFontManager() = default;
  // Frees every entry's lists and tells its clients.
  ~TFontManager();
  TFontManager(const TFontManager&) = delete;
  TFontManager& operator=(const TFontManager&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  TFontEntry* Entry(int index) const { return entries_.at(index).get(); }

  // The first entry of that key (the name compared without regard to letter case), or nullptr.
  TFontEntry* FindFont(const std::string& name, TFontStyles styles, int last, int first, float deviation,
                       float extrusion) const;
  // The entry of the key with valid lists, one more reference and the client among its clients; the
  // lists are built when the entry is new or has lost them. Exception "FontManager: no more display lists
  // available" when OpenGL has no names left, "FontManager: font creation failed" when no face or outline
  // can be had (the reference taken is given back).
  TFontEntry& GetFontBase(const std::string& name, TFontStyles styles, TFontManagerClient* client, int last,
                          int first, float deviation, float extrusion);
  // One reference less (nothing for nullptr); the client, when given, hears FontLost and leaves the
  // clients. At no reference the lists are deleted, the remaining clients told and the entry freed.
  void Release(TFontEntry* entry, TFontManagerClient* client);
  static void NotifyClients(const std::vector<TFontManagerClient*>& clients);

 private:
  void BuildLists(TFontEntry& entry);

  std::vector<std::unique_ptr<TFontEntry>> entries_;
  GLuint current_base_ = 0;  // the list base most recently generated
};

// The singleton, made on first use; ReleaseFontManager frees it (with every entry's lists).
TFontManager& GetFontManager();
void ReleaseFontManager();

}  // namespace zentrova
