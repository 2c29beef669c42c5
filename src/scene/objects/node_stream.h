// A node collection as a form-stream collection property: each node an item of its "X", "Y" and "Z"
// (every one written), plus what the caller adds for its own kind of node.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "scene/base/nodes.h"
#include "scene/base/property_stream.h"

namespace zentrova {

// Extra properties of one node: written after its coordinates; read by name (false for a name the
// caller does not know).
using TNodeWriter = std::function<void(const TGLNode& node, TPropertyWriter& writer)>;
using TNodeReader = std::function<bool(TGLNode& node, const std::string& name, const TPropertyValue& value)>;

void WriteNodes(TPropertyWriter& writer, std::string_view name, const TGLNodes& nodes,
                const TNodeWriter& extra = {});
// Replaces the nodes by the items of a collection value (EReadError "Invalid property value" for another
// kind of value, "Property <name> does not exist" for an unknown item property), with one notice.
void ReadNodes(TGLNodes& nodes, const TPropertyValue& value, const TNodeReader& extra = {});

}  // namespace zentrova
