// The desktop tool: settings from config.txt in the current directory, then the main window.
#include <QApplication>

#include "app/main_frame.h"
#include "app/prompter.h"
#include "tools/tool_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kaviro::SharedConfig config(kaviro::LoadConfig(kaviro::ConfigPath()));
  kaviro::MessageBoxPrompter prompter;
  kaviro::CMainFrame frame(config, kaviro::ConfigPath(), prompter);
  kaviro::RegisterToolDialogs(frame);
  frame.show();  // the frame maximises itself whatever state it is shown in
  return app.exec();
}
