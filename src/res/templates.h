#pragma once
#include "res/dialog_template.h"

// The dialogs of the tool, each laid out in its own file.
namespace kaviro::res {

extern const DialogTemplate kConfigDialog;          // 132
extern const DialogTemplate kModbusTestDialog;      // 136
extern const DialogTemplate kControllerInfoDialog;  // 140
extern const DialogTemplate kLogReadDialog;         // 143
extern const DialogTemplate kActionCmdDialog;       // 146
extern const DialogTemplate kParamSetDialog;        // 148
extern const DialogTemplate kRelayDialog;           // 149
extern const DialogTemplate kThresholdProbeDialog;  // 151
extern const DialogTemplate kSettingsBackupDialog;  // 152
extern const DialogTemplate kLinkStatsDialog;       // 160
extern const DialogTemplate kFrameLogDialog;        // 161
extern const DialogTemplate kTrendDialog;           // 162

// Every template, for checks that hold for all of them.
inline constexpr const DialogTemplate* kAllDialogs[] = {&kConfigDialog,  &kModbusTestDialog, &kControllerInfoDialog,
                                                        &kLogReadDialog, &kActionCmdDialog,  &kParamSetDialog,
                                                        &kRelayDialog,   &kThresholdProbeDialog, &kSettingsBackupDialog,
                                                        &kLinkStatsDialog, &kFrameLogDialog, &kTrendDialog};

}  // namespace kaviro::res
