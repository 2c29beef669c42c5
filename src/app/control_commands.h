// What the control tree's clicks do to the loaded world, its collision detector and the view. The main
// window implements it over the driver; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

class IControlCommands {
 public:
  virtual ~IControlCommands() = default;

  virtual bool SimulationRunning() const = 0;
  // The index of the body with exactly this name; -1 when none has it.
  virtual std::int32_t BodyIndex(const std::string& name) const = 0;
  virtual void SetCameraTarget(std::int32_t body) = 0;

  virtual void ToggleBoundingBoxTree(std::int32_t body) = 0;
  virtual void ShowTextures() = 0;
  virtual void HideTextures() = 0;
  virtual void ShowWireframeBodies() = 0;
  virtual void ShowFilledBodies() = 0;
  virtual void ShowFlatBodies() = 0;
  virtual void ShowThickBodies() = 0;

  virtual double Transparency(std::int32_t body) const = 0;
  // Sets the body's transparency and updates its appearance.
  virtual void SetTransparency(std::int32_t body, double value) = 0;
  virtual void ToggleContactWatches(std::int32_t body) = 0;
  virtual void PlotWatches(std::int32_t body) = 0;

  virtual void SetBreakAtCollisions(bool value) = 0;
  virtual void SetShowCollisions(bool value) = 0;
  virtual void SetShowOverPenetratingPoints(bool value) = 0;

  virtual void ShowPointer() = 0;
  virtual void HidePointer() = 0;
  virtual void IncreasePointerSize() = 0;
  virtual void DecreasePointerSize() = 0;
  virtual void MovePointerToOrigin() = 0;
  virtual void ToggleOrientationBoxSide(const std::string& caption) = 0;
  virtual void ShowAxes() = 0;
  virtual void HideAxes() = 0;

  // The world's writeToHistoryEachTimeStep and writeToHistoryAtCollision.
  virtual void SetHistorySaving(bool each_time_step, bool at_collision) = 0;
  virtual void CreateNextVersion() = 0;
  // True when the world took the value.
  virtual bool SetPivotTolerance(long double old_value, long double new_value) = 0;
  virtual bool SetLexicoZeroTolerance(long double old_value, long double new_value) = 0;
  virtual void SetTryToSolveByGoingBack(bool value) = 0;
  virtual void SetLogLCPUnboundedRay(bool value) = 0;
  virtual void SetLogLCPMaximumIterations(bool value) = 0;

  virtual void Repaint() = 0;
};

}  // namespace zentrova
