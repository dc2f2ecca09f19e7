#include "app/tool_menu.h"

#include <QDialog>

#include "app/main_frame.h"
#include "tools/tool_dialogs.h"

namespace kaviro {

void RegisterToolDialogs(CMainFrame& frame) {
  for (const ToolDialog& dialog : ToolDialogs()) frame.RegisterToolDialog(dialog.command, dialog.open);
}

}  // namespace kaviro
