#pragma once
#include <functional>
#include <string>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// The text of a setting that was confirmed but reads back as another value.
std::string ReadBackDiffersText(const std::string& read, const std::string& written);

// A write the command line and the MQTT commands can trust: the write (its own confirmation
// rules), the settle the controller needs before it is read (`settleMs`, through the engine:
// for writes whose answer nobody reads), the read back and the comparison with what was written.
// The result carries the write's texts, then the read's or the mismatch's; its value is what was
// read back, also when it differs.
template <typename T>
struct Verification {
  std::function<Result<>()> write;
  int settleMs = 0;
  std::function<Result<T>()> readBack;
  std::function<bool(const T&)> same;
  std::function<std::string(const T&)> shown;  // a value as the user sees it
  std::function<std::string()> written;        // what was written, as the user sees it
};

template <typename T>
Result<T> WriteAndVerify(LinkService& link, LinkMode mode, const Verification<T>& v) {
  const Result<> wrote = v.write();
  if (!wrote.ok()) return wrote.template As<T>();
  if (v.settleMs > 0) link.Settle(mode, v.settleMs);
  Result<T> back = v.readBack();
  back.notices.insert(back.notices.begin(), wrote.notices.begin(), wrote.notices.end());
  if (!back.ok() || v.same(*back.value)) return back;
  back.status = Status::kReadBackDiffers;
  back.Say({ReadBackDiffersText(v.shown(*back.value), v.written())});
  return back;
}

// How long a controller needs before a write nobody read the answer of may be read back: its
// answer comes and goes, and is not met by the read.
inline constexpr int kUnreadWriteSettleMs = 300;

}  // namespace kaviro
