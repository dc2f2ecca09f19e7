// The desktop tool: settings from config.txt, then the main window. config.txt is in the current
// directory, or in the user's config folder with --user-config (how the desktop menu starts it).
#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "app/main_frame.h"
#include "app/tool_menu.h"
#include "res/prompter.h"

namespace {

constexpr const char* kUsage = R"(usage: kaviro [--user-config] [Qt options]

The KAVIRO寄存器 desktop tool: monitors and configures a KAVIRO solar MPPT charge controller over
Modbus, on a serial port (RTU, 9600 8N2), through a 2.4G wireless serial adapter, or over TCP.

Options:
  --user-config  keep config.txt in ${XDG_CONFIG_HOME:-~/.config}/kaviro/, made on first start;
                 the desktop menu entry starts the tool so. Without it, config.txt is read and
                 written in the current directory.
  -h, --help     print this help and exit
Qt's own options (-platform NAME, -display DISPLAY, ...) are passed on to Qt.

Environment:
  KAVIRO_COM<n>    the device that "COM n" opens (default /dev/ttyS<n-1>), for instance
                   KAVIRO_COM2=/dev/ttyUSB0
  KAVIRO_TCP_PORT  the controller's TCP port in network mode (default 502)
)";

bool HasArgument(int argc, char** argv, std::string_view name) {
  for (int i = 1; i < argc; ++i)
    if (argv[i] == name) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
    std::cout << kUsage;
    return 0;
  }
  const std::filesystem::path configFile = kaviro::ConfigPath(
      HasArgument(argc, argv, "--user-config")
          ? kaviro::UserConfigDir(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"))
          : std::filesystem::current_path());
  QApplication app(argc, argv);
  kaviro::SharedConfig config(kaviro::LoadConfig(configFile));
  kaviro::MessageBoxPrompter prompter;
  kaviro::CMainFrame frame(config, configFile, prompter);
  kaviro::RegisterToolDialogs(frame);
  frame.show();  // the frame maximises itself whatever state it is shown in
  return app.exec();
}
