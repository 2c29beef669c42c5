// What a model's parts bind to instead of the world that composes them: the name table their lines are
// resolved in (bodies, body files, constants, generalized coordinates and the lookup tables built from
// them), the working state whose time and q, q', q'' they read and write by address, the number n of
// generalized coordinates, and where they log and show their messages.
//
// The world fills one from its own model, state and settings; a test fills one from parts of its own. The
// parts keep a reference to it and read it only when they are used, never while they are being made, so
// that an owner may fill it once it has made them. What it points to outlives the parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/log_sink.h"

namespace zentrova {

class TBodyList;
class TConstantList;
class TExpressionNames;
class TGeneralizedCoordinates;
struct TStepState;

struct TModelBinding {
  // Where the world file gives n, or "" when unknown: what a reader's count mismatch names.
  std::string CountSource() const { return CoordinateCountSource != nullptr ? *CoordinateCountSource : ""; }

  // The name table.
  TBodyList* Bodies = nullptr;
  const std::vector<std::string>* BodyFileNames = nullptr;  // in body order
  const TConstantList* Constants = nullptr;
  const TGeneralizedCoordinates* Coordinates = nullptr;
  TExpressionNames* Names = nullptr;
  // The working state: its lists are sized to n when the generalized coordinates are loaded.
  TStepState* State = nullptr;
  // numberOfGeneralizedCoodinates, as the settings give it.
  const std::uint32_t* CoordinateCount = nullptr;
  // Where the world file gives it, for the messages of a count that differs; nullptr: unknown.
  const std::string* CoordinateCountSource = nullptr;
  ILogSink* Log = &ProgramLog();
  IMessageSink* Messages = nullptr;  // nullptr: the program's message sink
};

}  // namespace zentrova
