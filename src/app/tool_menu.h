#pragma once

namespace kaviro {

class CMainFrame;

// Enables the menu commands of every tool dialog the program has.
void RegisterToolDialogs(CMainFrame& frame);

}  // namespace kaviro
