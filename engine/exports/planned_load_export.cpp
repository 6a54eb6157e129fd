// The planned load across the flat interface: the caller's planner and plan become the engine's.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "picture/planned_load.h"

using corvale::guarded;
using corvale::PendingPicture;

namespace {

corvale::LoadPlan enginePlanOf(const cpic_LoadPlan& plan) {
  return {plan.orientationCode,
          {plan.cropLeft, plan.cropTop, plan.cropWidth, plan.cropHeight},
          plan.width,
          plan.height,
          plan.mode,
          plan.threads};
}

}  // namespace

namespace {

intptr_t loadResampled(const char* path, cpic_Planner planner, void* context, bool keepAlpha) {
  return guarded([] { return corvale::kNoPicture; },
                 [&] {
                   const corvale::LoadPlanner askCaller = [&](int32_t width, int32_t height,
                                                              corvale::LoadPlan& plan) {
                     cpic_LoadPlan callerPlan{};
                     if (!planner || planner(context, width, height, &callerPlan) == 0) return false;
                     plan = enginePlanOf(callerPlan);
                     return true;
                   };
                   PendingPicture picture;
                   picture->alphaWanted = keepAlpha;
                   corvale::LoadOutcome outcome = corvale::loadPlanned(path, askCaller, *picture);
                   corvale::keepLoadOutcome(outcome, !picture->empty());
                   return picture.handOver();
                 });
}

}  // namespace

intptr_t cpic_loadResampled(const char* path, cpic_Planner planner, void* context) {
  return loadResampled(path, planner, context, false);
}

intptr_t cpic_loadResampledKeepingAlpha(const char* path, cpic_Planner planner, void* context) {
  return loadResampled(path, planner, context, true);
}
