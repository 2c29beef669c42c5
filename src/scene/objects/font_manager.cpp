#include "scene/objects/font_manager.h"

#include <algorithm>
#include <utility>

#include "platform/code_page_1252.h"
#include "platform/exception.h"
#include "platform/fonts/font_face.h"
#include "platform/strings.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

TFontManager* font_manager = nullptr;

}  // namespace

TFontManager& GetFontManager() {
  if (font_manager == nullptr) font_manager = new TFontManager();
  return *font_manager;
}

void ReleaseFontManager() {
  delete std::exchange(font_manager, nullptr);
}

TFontManager::~TFontManager() {
  for (auto& entry : entries_) {
    try {
      entry->ListHandle.FreeName();
    } catch (...) {
      // A context that cannot take the deletion any more: its names go with it.
    }
    NotifyClients(entry->Clients);
  }
}

TFontEntry* TFontManager::FindFont(const std::string& name, TFontStyles styles, int last, int first,
                                   float deviation, float extrusion) const {
  for (const auto& entry : entries_) {
    if (SameText(entry->Name, name) && entry->Styles == styles && entry->Extrusion == extrusion &&
        entry->AllowedDeviation == deviation && entry->FirstChar == first && entry->LastChar == last) {
      return entry.get();
    }
  }
  return nullptr;
}

TFontEntry& TFontManager::GetFontBase(const std::string& name, TFontStyles styles, TFontManagerClient* client,
                                      int last, int first, float deviation, float extrusion) {
  TFontEntry* entry = FindFont(name, styles, last, first, deviation, extrusion);
  bool client_added = false;
  if (entry != nullptr) {
    ++entry->RefCount;
    if (client != nullptr && std::find(entry->Clients.begin(), entry->Clients.end(), client) == entry->Clients.end()) {
      entry->Clients.push_back(client);
      client_added = true;
    }
    if (entry->ListHandle.Handle() != 0) return *entry;
  } else {
    auto created = std::make_unique<TFontEntry>();
    created->Name = name;
    created->Styles = styles;
    created->Extrusion = extrusion;
    created->AllowedDeviation = deviation;
    created->FirstChar = first;
    created->LastChar = last;
    created->RefCount = 1;
    if (client != nullptr) {
      created->Clients.push_back(client);
      client_added = true;
    }
    created->ListHandle.OnAllocate = [this](TGLVirtualHandle*, GLuint& handle) { handle = current_base_; };
    created->ListHandle.OnDestroy = [](TGLVirtualHandle* sender, GLuint& handle) {
      gl.DeleteLists(handle, sender->Tag);
    };
    entry = created.get();
    entries_.push_back(std::move(created));
  }
  try {
    BuildLists(*entry);
  } catch (...) {
    // The reference and the client taken here go back; a new entry goes with them.
    --entry->RefCount;
    if (client_added) std::erase(entry->Clients, client);
    if (entry->RefCount <= 0) {
      entry->ListHandle.FreeName();
      std::erase_if(entries_, [entry](const auto& e) { return e.get() == entry; });
    }
    throw;
  }
  return *entry;
}

void TFontManager::BuildLists(TFontEntry& entry) {
  const int count = entry.LastChar - entry.FirstChar + 1;
  TFontFaceResult face = FindFontFace(entry.Name, entry.Styles);
  if (!face) throw Exception("FontManager: font creation failed");
  std::vector<TGlyphMesh> glyphs;
  glyphs.reserve(static_cast<std::size_t>(count));
  std::array<TGlyphMetricsFloat, 256> metrics{};
  for (int i = 0; i < count; ++i) {
    const char32_t character = Cp1252ToUnicode(static_cast<std::uint8_t>(entry.FirstChar + i));
    const TGlyphOutline outline = face.face->Outline(character, entry.AllowedDeviation);
    TGlyphMetricsFloat& m = metrics[static_cast<std::size_t>(i)];
    m.gmfBlackBoxX = static_cast<float>(outline.x_max - outline.x_min);
    m.gmfBlackBoxY = static_cast<float>(outline.y_max - outline.y_min);
    m.gmfptGlyphOriginX = static_cast<float>(outline.x_min);
    m.gmfptGlyphOriginY = static_cast<float>(outline.y_max);
    m.gmfCellIncX = static_cast<float>(outline.advance_x);
    m.gmfCellIncY = static_cast<float>(outline.advance_y);
    glyphs.push_back(BuildGlyphMesh(outline, entry.Extrusion));
  }
  const GLuint base = gl.GenLists(count);
  if (base == 0) throw Exception("FontManager: no more display lists available");
  current_base_ = base;
  entry.ListHandle.Tag = count;
  entry.ListHandle.AllocName();
  for (int i = 0; i < count; ++i) {
    gl.NewList(base + static_cast<GLuint>(i), GL_COMPILE);
    DrawGlyphMesh(glyphs[static_cast<std::size_t>(i)]);
    gl.EndList();
  }
  entry.GlyphsMetrics = metrics;
  entry.Glyphs = std::move(glyphs);
}

void TFontManager::Release(TFontEntry* entry, TFontManagerClient* client) {
  if (entry == nullptr) return;
  --entry->RefCount;
  if (client != nullptr) {
    client->FontLost();
    std::erase(entry->Clients, client);
  }
  if (entry->RefCount > 0) return;
  entry->ListHandle.FreeName();
  const std::vector<TFontManagerClient*> clients = std::move(entry->Clients);
  std::erase_if(entries_, [entry](const auto& e) { return e.get() == entry; });
  NotifyClients(clients);
}

void TFontManager::NotifyClients(const std::vector<TFontManagerClient*>& clients) {
  for (TFontManagerClient* client : std::vector<TFontManagerClient*>(clients)) client->FontLost();
}

}  // namespace zentrova
