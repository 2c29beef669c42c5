#include "scene/objects/node_stream.h"

#include "scene/base/scene_errors.h"

namespace zentrova {

void WriteNodes(TPropertyWriter& writer, std::string_view name, const TGLNodes& nodes,
                const TNodeWriter& extra) {
  writer.BeginCollection(name);
  for (int i = 0; i < nodes.Count(); ++i) {
    const TGLNode& node = *nodes[i];
    writer.BeginItem();
    writer.Single("X", node.X());
    writer.Single("Y", node.Y());
    writer.Single("Z", node.Z());
    if (extra) extra(node, writer);
    writer.EndItem();
  }
  writer.EndCollection();
}

void ReadNodes(TGLNodes& nodes, const TPropertyValue& value, const TNodeReader& extra) {
  if (value.tag != vaCollection) RaiseInvalidPropertyValue();
  nodes.BeginUpdate();
  try {
    nodes.Clear();
    for (const TPropertyList& item : value.items) {
      TGLNode& node = *nodes.Add();
      for (const TProperty& p : item) {
        if (p.name == "X") {
          node.SetX(AsSingle(p.value));
        } else if (p.name == "Y") {
          node.SetY(AsSingle(p.value));
        } else if (p.name == "Z") {
          node.SetZ(AsSingle(p.value));
        } else if (!extra || !extra(node, p.name, p.value)) {
          RaiseNoProperty(p.name);
        }
      }
    }
  } catch (...) {
    nodes.EndUpdate();
    throw;
  }
  nodes.EndUpdate();
}

}  // namespace zentrova
