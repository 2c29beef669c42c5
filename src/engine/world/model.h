// The loaded model: the bodies, constants and compiled equations of motion read from the model files,
// the contact properties and watches, and the history the runs of the model record into.
//
// Compiled expressions read q, q', q'' and the time by address, and body coordinates point into the
// generalized and dependent coordinates: the model lives as long as its world and never moves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/contact/contact_properties.h"
#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/dependent_coordinates.h"
#include "engine/model/expression_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/mass_matrix.h"
#include "engine/model/model_binding.h"
#include "engine/record/contact_watches.h"
#include "engine/record/history.h"
#include "numerics/matrix.h"
#include "numerics/nonzero_pattern.h"

namespace zentrova {

class IHistoryWorld;

struct TModel {
  // The parts bind to this model's names, the given state and coordinate count, and log to `log` (message
  // boxes through `messages`); the history records for `world`. All of them outlive the model.
  TModel(IHistoryWorld& world, TStepState& state, const std::uint32_t& coordinate_count, ILogSink& log,
         IMessageSink* messages);
  TModel(const TModel&) = delete;
  TModel& operator=(const TModel&) = delete;

  // What the parts below bind to: the names of this model, the world's state and coordinate count.
  TModelBinding Binding;

  std::vector<std::string> BodyFileNames;  // the values of section Bodies, in order
  std::vector<std::string> BodyNames;      // the bodies' names in body order, once they are loaded
  TBodyList Bodies;
  TConstantList Constants;
  // What the expression lists look names up in, rebuilt when the names above have changed.
  TExpressionNames ExpressionNames;

  TGeneralizedCoordinates GeneralizedCoordinates;
  TDependentCoordinates DependentCoordinates;
  TMassMatrix MassMatrix;
  TSqrMatrix InverseMassMatrix;
  // Where InverseMassMatrix is not zero: the products with it skip its zeros. Told of every new inverse,
  // built at the first product that reads it.
  TLazyNonZeroPattern InverseMassPattern;
  // M depends on time or state: it is re-evaluated and re-inverted before every step.
  bool MassMatrixVaries = false;
  // The last inversion of M failed: a run that stops on the numerics error names the file.
  bool MassMatrixSingular = false;
  TExpressionList HVector;  // the generalized forces h, n values
  TExpressionList Energy;   // the mechanical energy, one value
  long double BreakTime = 0;  // the breakTime expression plus one recording interval (s)

  TContactProperties ContactProperties;
  TContactWatches Watches;
  THistory History;
};

}  // namespace zentrova
