#pragma once

class QWidget;

namespace kaviro {

class LinkService;
class Prompter;
class SharedConfig;
struct DecodedValues;

// What a tool dialog works with, handed to it by whoever opens it (the main window, a test).
struct ToolContext {
  LinkService& link;
  SharedConfig& config;
  Prompter& prompter;
  // Shared with the poll: touch it only while holding link.Mutex().
  DecodedValues& values;
  // The owner of the messages the application rather than the dialog shows.
  QWidget* window = nullptr;
};

}  // namespace kaviro
