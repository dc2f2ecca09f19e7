#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/exchange_policy.h"

namespace kaviro {

// How an operation ended. Every dialog operation, command line verb and MQTT command speaks in
// these; the command line's exit status follows from them alone.
enum class Status {
  kOk,
  kRefused,          // the input was refused by its check: nothing sent
  kNotOpen,          // the serial port is not open: nothing sent
  kNotConnected,     // no network connection: nothing sent
  kSendFailed,       // the request did not go out whole
  kNoAnswer,         // nothing (acceptable) came in time
  kBadAnswer,        // an answer came but was refused by its checks
  kNotConfirmed,     // a write went out but the controller did not confirm it
  kReadBackDiffers,  // a write was confirmed but reading it back gave another value
};

// A text for the user: under the application title unless a caption is named; `application`:
// shown by the application rather than by the dialog; `field`: the input it is about (-1: none).
struct Notice {
  std::string text;
  std::string caption = {};
  bool application = false;
  int field = -1;
  bool operator==(const Notice&) const = default;
};

struct Nothing {};

// What an operation brings back: how it ended, the texts it has for the user in the order they
// are shown, and the value it read (there may be one even when it failed part of the way).
template <typename T = Nothing>
struct Result {
  Status status = Status::kNoAnswer;
  std::vector<Notice> notices;
  std::optional<T> value;

  bool ok() const { return status == Status::kOk; }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Notice& n : notices) texts.push_back(n.text);
    return texts;
  }
  // The texts joined by line breaks; empty when there is none.
  std::string Text() const {
    std::string all;
    for (const Notice& n : notices) all += (all.empty() ? "" : "\n") + n.text;
    return all;
  }
  Result& Say(Notice notice) {
    if (!notice.text.empty()) notices.push_back(std::move(notice));
    return *this;
  }
  // The same ending with a value of another kind (none).
  template <typename U>
  Result<U> As() const {
    return {status, notices, std::nullopt};
  }
};

template <typename T>
Result<T> Ok(T value, std::string text = {}) {
  Result<T> r{Status::kOk, {}, std::move(value)};
  r.Say({std::move(text)});
  return r;
}
inline Result<> Done(std::string text = {}) { return Ok(Nothing{}, std::move(text)); }

template <typename T = Nothing>
Result<T> Fail(Status status, Notice notice = {}) {
  Result<T> r{status, {}, std::nullopt};
  r.Say(std::move(notice));
  return r;
}

// What an operation says when its exchange ends before there is an answer to look at. The
// shared texts by default; an operation names its own where its dialog words it otherwise.
struct LinkTexts {
  const char* notOpen;
  const char* notConnected;
  const char* sendFailed;
  bool sendFailedByApplication = false;
  const char* receiveError = "";
  const char* noAnswer = "";   // checks used up, or given up in quiet
  const char* badAnswer = "";  // short read, rejected, announced bytes missing
};
extern const LinkTexts kSharedLinkTexts;

// Nothing when the exchange ended with an answer to look at (answered, or ended in quiet with the
// answer whole); otherwise the failure as a result, its text from `texts` (an unpacking error
// carries its own).
std::optional<Result<>> LinkFailure(const ExchangeResult& r, const LinkTexts& texts = kSharedLinkTexts);

// The command line's exit status for a status: 0 ok, 1 refused, 2 no link, 3 the exchange failed,
// 4 read back differs.
int ExitStatus(Status status);

}  // namespace kaviro
