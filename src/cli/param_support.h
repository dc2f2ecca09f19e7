#pragma once
#include <iostream>

#include "cli/commands.h"
#include "tools/controller/param_register.h"

namespace kaviro::cli {

// The clock row as `param list` shows it.
inline constexpr const char* kClockName = "clock";
inline constexpr const char* kClockCaption = "控制器时间设置：";

// The reply's message on stderr, and the exit status its ending stands for.
inline int Report(const ParamReply& reply) {
  if (!reply.message.empty()) std::cerr << reply.message << '\n';
  switch (reply.status) {
    case ParamStatus::kOk: return kExitOk;
    case ParamStatus::kRefused: return kExitUsage;
    case ParamStatus::kNoLink: return kExitNoLink;
    case ParamStatus::kFailed: break;
  }
  return kExitFailed;
}

}  // namespace kaviro::cli
