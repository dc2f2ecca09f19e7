#include "tools/common/result.h"

#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/verified_write.h"

namespace kaviro {

const LinkTexts kSharedLinkTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed};

std::optional<Result<>> LinkFailure(const ExchangeResult& r, const LinkTexts& texts) {
  switch (r.outcome) {
    case Outcome::kAnswered:
    case Outcome::kIdle: return std::nullopt;
    case Outcome::kNotOpen: return Fail(Status::kNotOpen, {texts.notOpen});
    case Outcome::kNotConnected: return Fail(Status::kNotConnected, {texts.notConnected});
    case Outcome::kSendFailed:
      return Fail(Status::kSendFailed, {texts.sendFailed, {}, texts.sendFailedByApplication});
    case Outcome::kReceiveError: return Fail(Status::kNoAnswer, {texts.receiveError});
    case Outcome::kTimedOut:
    case Outcome::kGaveUp:
    case Outcome::kCancelled: return Fail(Status::kNoAnswer, {texts.noAnswer});
    case Outcome::kUnpackError: return Fail(Status::kBadAnswer, {r.message});
    case Outcome::kShortRead:
    case Outcome::kBadLength:
    case Outcome::kRejected: return Fail(Status::kBadAnswer, {texts.badAnswer});
  }
  return Fail(Status::kBadAnswer, {texts.badAnswer});
}

std::string ReadBackDiffersText(const std::string& read, const std::string& written) {
  return Format("读回的值是%s，但写入的是%s", read.c_str(), written.c_str());
}

int ExitStatus(Status status) {
  switch (status) {
    case Status::kOk: return 0;
    case Status::kRefused: return 1;
    case Status::kNotOpen:
    case Status::kNotConnected: return 2;
    case Status::kSendFailed:
    case Status::kNoAnswer:
    case Status::kBadAnswer:
    case Status::kNotConfirmed: return 3;
    case Status::kReadBackDiffers: return 4;
  }
  return 3;
}

}  // namespace kaviro
