#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/options.h"
#include "cli/register_report.h"
#include "config/atomic_file.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/log/log_export.h"
#include "tools/log/log_reader.h"

namespace kaviro::cli {

namespace {

struct LogOptions {
  LinkOverrides link;
  std::optional<bool> latest;
  std::optional<std::string> address;  // two hex characters
  std::optional<std::string> file;
  const LogExportFormat* format = nullptr;
  bool help = false;
};

std::optional<LogOptions> ParseLogOptions(const std::vector<std::string>& args, std::string& error) {
  LogOptions o;
  ArgReader r(args);
  while (!r.Done() && r.error().empty()) {
    const std::string name = r.Next();
    // --id is the dialog's hex address here, so it is read before the link options.
    if (name == "--id") {
      o.address = r.Value();
    } else if (ReadLinkOption(r, name, o.link)) {
      continue;
    } else if (name == "--latest" || name == "--all") {
      o.latest = name == "--latest";
    } else if (name == "--txt" || name == "--xls") {
      if (o.file) r.Fail("give one of --txt and --xls");
      o.file = r.Value();
      o.format = name == "--txt" ? &kLogText : &kLogSpreadsheet;
    } else if (name == "--help" || name == "-h") {
      o.help = true;
    } else {
      r.Fail("unknown option " + name);
    }
  }
  if (r.error().empty() && !o.help && !o.latest) r.Fail("say --latest or --all");
  error = r.error();
  if (!error.empty()) return std::nullopt;
  return o;
}

}  // namespace

const char* const kLogHelp =
    "kaviro-cli log --latest|--all [--id HEX] [--txt FILE | --xls FILE] [link options]\n"
    "  Reads the controller's daily log records, the latest one or all of them, and prints them as\n"
    "  a table, or saves them as the log reader dialog does: --txt space-separated text, --xls\n"
    "  tab-separated text for a spreadsheet (GBK, one line per record, no header).\n"
    "  --id HEX   device address as two hex digits (default: the configured device ID)\n\n"
    "Exit status: 0 success, 1 bad usage, 2 the link could not be opened or connected,\n"
    "             3 the read failed or the file could not be written.\n\n"
    "Examples:\n"
    "  kaviro-cli log --all --mode serial --com 2\n"
    "  kaviro-cli log --latest --mode wireless --device /dev/ttyUSB0 --id 01\n"
    "  kaviro-cli log --all --mode network --host 192.168.1.199 --xls records.xls\n";

int RunLog(const std::vector<std::string>& args) {
  std::string error;
  const std::optional<LogOptions> options = ParseLogOptions(args, error);
  if (const auto done = UsageOutcome("log", options, error, kLogHelp)) return *done;

  const AppConfig config = RunConfig(options->link);
  const std::optional<uint8_t> unit =
      ParseAddressEntry(options->address.value_or(Format("%02X", config.deviceId & 0xFF)), error);
  if (!unit) {
    std::cerr << error << '\n';
    return kExitUsage;
  }

  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, options->link);
  if (!opened) return kExitNoLink;
  LogRead read = ReadLog(link, LinkModeOf(config.workMode), *unit, *options->latest);
  // The dialog stays quiet when nothing at all came back over the network; a script must know.
  if (!read.answered && read.message.empty()) read.message = text::kCommunicationFailed;
  if (!read.message.empty()) std::cerr << read.message << '\n';

  if (options->file) {
    if (read.rows.empty()) {
      std::cerr << kLogEmptyText << '\n';
      return kExitFailed;
    }
    if (!WriteFileAtomically(*options->file, LogExportBytes(read.rows, *options->format))) {
      std::cerr << Format(kLogCannotWriteText, options->file->c_str()) << '\n';
      return kExitFailed;
    }
  } else {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> headings;
    for (const LogColumn& c : kLogListColumns) headings.emplace_back(c.heading);
    rows.push_back(headings);
    for (const LogRow& row : read.rows) rows.emplace_back(row.begin(), row.end());
    WriteAligned(std::cout, rows);
  }
  return read.message.empty() ? kExitOk : kExitFailed;
}

}  // namespace kaviro::cli
