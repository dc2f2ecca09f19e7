#include "app/tool_dialogs.h"

#include "app/main_frame.h"

namespace kaviro {

void RegisterToolDialogs(CMainFrame& frame) {
  (void)frame;
}

}  // namespace kaviro
