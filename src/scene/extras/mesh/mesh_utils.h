// Triangle strips turned into independent triangles that all keep the winding of the strip's first one.
#pragma once

#include "scene/base/persistent_classes.h"
#include "scene/base/vector_lists.h"

namespace zentrova {

// Appends the triangles of the strip: (s0, s1, s2), (s3, s2, s1), (s2, s3, s4), ... An odd triangle is
// reversed as a whole, which keeps its winding. The capacity is raised first when that helps; a strip of
// fewer than three points adds nothing and never shrinks the list.
void ConvertStripToList(const TAffineVectorList& strip, TAffineVectorList& list);
// The same for the strip of vertices[indices[0]], vertices[indices[1]], ... (indexes asserted in range).
void ConvertIndexedStripToList(const TAffineVectorList& vertices, const TIntegerList& indices,
                               TAffineVectorList& list);

// After an archive was read into the list: an archive may hold nil items, which no list of meshes,
// groups, targets, frames, bones or colliders can take. Drops them and raises EFilerException naming the
// list's class when there were any.
void RefuseNilItems(TPersistentObjectList& list);

}  // namespace zentrova
