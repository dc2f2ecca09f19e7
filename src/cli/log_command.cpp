#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/verb.h"
#include "cli/register_report.h"
#include "config/atomic_file.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/log/log_export.h"
#include "tools/log/log_reader.h"

namespace kaviro::cli {

namespace {

constexpr const char* kLogSynopsis =
    "kaviro-cli log --latest|--all [--id HEX] [--txt FILE | --xls FILE] [link options]\n"
    "  Reads the controller's daily log records, the latest one or all of them, and prints them as\n"
    "  a table, or saves them as the log reader dialog does: --txt space-separated text, --xls\n"
    "  tab-separated text for a spreadsheet (GBK, one line per record, no header).";

constexpr const char* kLogFooter =
    "Exit status: 0 success, 1 bad usage, 2 the link could not be opened or connected,\n"
    "             3 the read failed or the file could not be written.\n\n"
    "Examples:\n"
    "  kaviro-cli log --all --mode serial --com 2\n"
    "  kaviro-cli log --latest --mode wireless --device /dev/ttyUSB0 --id 01\n"
    "  kaviro-cli log --all --mode network --host 192.168.1.199 --xls records.xls\n";

}  // namespace

int RunLog(const std::vector<std::string>& args) {
  Verb verb("log", kLogSynopsis, kLogFooter, IdOption::kHex);
  CLI::App& app = verb.app();
  bool latest = false, all = false;
  std::optional<std::string> txt, xls;
  CLI::Option* latestFlag = app.add_flag("--latest", latest, "the latest record");
  CLI::Option* allFlag = app.add_flag("--all", all, "all records")->excludes(latestFlag);
  app.add_option("--txt", txt, "save as space-separated text")->type_name("FILE");
  app.add_option("--xls", xls, "save as tab-separated text for a spreadsheet")->type_name("FILE")->excludes("--txt");
  app.callback([&] {
    if (!latestFlag->count() && !allFlag->count()) throw CLI::ValidationError("say --latest or --all");
  });
  if (const auto done = verb.Parse(args)) return *done;

  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = verb.HexUnit(config);
  if (!unit) return kExitUsage;
  const std::optional<std::string>& file = txt ? txt : xls;
  const LogExportFormat& format = txt ? kLogText : kLogSpreadsheet;

  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, verb.link);
  if (!opened) return kExitNoLink;
  LogRead read = ReadLog(link, LinkModeOf(config.workMode), *unit, latest);
  // The dialog stays quiet when nothing at all came back over the network; a script must know.
  if (!read.answered && read.message.empty()) read.message = text::kCommunicationFailed;
  if (!read.message.empty()) std::cerr << read.message << '\n';

  if (file) {
    if (read.rows.empty()) {
      std::cerr << kLogEmptyText << '\n';
      return kExitFailed;
    }
    if (!WriteFileAtomically(*file, LogExportBytes(read.rows, format))) {
      std::cerr << Format(kLogCannotWriteText, file->c_str()) << '\n';
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
