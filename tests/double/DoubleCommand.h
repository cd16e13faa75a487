// The command language that the driver sends to the control window in
// WM_COPYDATA, parsed into a value that the control window then carries out.
#pragma once

#include "FailurePlan.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qbdouble {

enum class CommandKind {
  Progress,
  Event,
  Fail,
  FailOnce,
  QueryRefs,
  QueryNavigates,
  QueryRefreshes,
};

struct DoubleCommand {
  CommandKind kind = CommandKind::Event;
  int32_t dispid = 0;
  int32_t progress = 0;
  int32_t progressMax = 0;
  FailingMethod method = FailingMethod::Navigate;
  // Empty for "fail <Method> off".
  std::optional<FailureRule> rule;
};

// Nothing when the text is not a well-formed command.
std::optional<DoubleCommand> ParseCommand(std::string_view text);

}  // namespace qbdouble
