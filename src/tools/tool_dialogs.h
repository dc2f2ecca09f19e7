#pragma once
#include <memory>
#include <span>

class QDialog;

namespace kaviro {

struct ToolContext;

// A menu command and the dialog it opens.
struct ToolDialog {
  int command;
  std::unique_ptr<QDialog> (*open)(const ToolContext& context);
};

// Every tool dialog the program has.
std::span<const ToolDialog> ToolDialogs();

}  // namespace kaviro
