#pragma once
#include <span>

namespace kaviro::res {

// Kinds of controls the tool's dialogs are made of.
enum class Kind {
  kLabel,          // static text, left-aligned
  kLabelCentred,
  kLabelRight,
  kGroupBox,
  kEdit,
  kEditReadOnly,
  kDropList,       // drop-down list, no typing
  kDropListSorted,
  kDropDown,       // editable drop-down
  kButton,
  kDefaultButton,
  kRadio,          // auto radio button; kRadioGroup starts a new group
  kRadioGroup,
  kCheckBox,
  kIpAddress,
  kReportList,     // report-style list with grid lines and full-row selection
  kTimePicker,
  kDatePicker,
  kPanel,          // an empty area the dialog fills itself (a chart, say)
};

enum Flag : unsigned {
  kNone = 0,
  kDisabled = 1u << 0,
  kHidden = 1u << 1,
};

// One control: its ID (the object name of its widget; -1 for anonymous labels), its text and its
// rectangle in dialog units.
struct ControlTemplate {
  int id;
  Kind kind;
  const char* text;
  int x, y, width, height;
  unsigned flags = kNone;
};

struct DialogTemplate {
  int resourceId;
  const char* caption;
  int width, height;  // dialog units
  std::span<const ControlTemplate> controls;
};

}  // namespace kaviro::res
