#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "cli/register_report.h"
#include "config/atomic_file.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/chart/png_file.h"
#include "tools/chart/raster_chart.h"
#include "tools/log/log_chart_data.h"
#include "tools/log/log_export.h"
#include "tools/log/log_reader.h"

namespace kaviro::cli {

namespace {

constexpr const char* kLogSynopsis =
    "kaviro-cli log --latest|--all [--id HEX] [--txt FILE | --xls FILE] [--chart FILE] [link options]\n"
    "  Reads the controller's daily log records, the latest one or all of them, and prints them as\n"
    "  a table, or saves them as the log reader dialog does: --txt space-separated text, --xls\n"
    "  tab-separated text for a spreadsheet (GBK, one line per record, no header), --chart the\n"
    "  dialog's chart of the records as a PNG picture.";

const std::string kLogFooter = Footer(
    "  kaviro-cli log --all --mode serial --com 2\n"
    "  kaviro-cli log --latest --mode wireless --device /dev/ttyUSB0 --id 01\n"
    "  kaviro-cli log --all --mode network --host 192.168.1.199 --xls records.xls --chart records.png\n");

}  // namespace

int RunLog(const std::vector<std::string>& args) {
  Verb verb("log", kLogSynopsis, kLogFooter, IdOption::kHex);
  CLI::App& app = verb.app();
  bool latest = false, all = false;
  std::optional<std::string> txt, xls, picture;
  CLI::Option* latestFlag = app.add_flag("--latest", latest, "the latest record");
  CLI::Option* allFlag = app.add_flag("--all", all, "all records")->excludes(latestFlag);
  app.add_option("--txt", txt, "save as space-separated text")->type_name("FILE");
  app.add_option("--xls", xls, "save as tab-separated text for a spreadsheet")->type_name("FILE")->excludes("--txt");
  app.add_option("--chart", picture, "save the chart of the records as PNG")->type_name("FILE");
  app.callback([&] {
    if (!latestFlag->count() && !allFlag->count()) throw CLI::ValidationError("say --latest or --all");
  });
  if (const auto done = verb.Parse(args)) return *done;

  const std::optional<std::string>& file = txt ? txt : xls;
  const LogExportFormat& format = txt ? kLogText : kLogSpreadsheet;
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  const Result<std::vector<LogRow>> read = ReadLog(link->link(), link->mode(), link->unit(), latest);
  // The dialog stays quiet when nothing at all came back; a script must know.
  Say(read);
  const std::vector<LogRow> records = read.value.value_or(std::vector<LogRow>{});

  if (file || picture) {
    if (records.empty()) {
      std::cerr << kLogEmptyText << '\n';
      return kExitFailed;
    }
    auto save = [](const std::string& path, const std::string& bytes) {
      if (WriteFileAtomically(path, bytes)) return true;
      std::cerr << Format(kLogCannotWriteText, path.c_str()) << '\n';
      return false;
    };
    if (file && !save(*file, LogExportBytes(records, format))) return kExitFailed;
    if (picture && !save(*picture, chart::PngBytes(chart::DrawChart(LogChartOf(records))))) return kExitFailed;
  } else {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> headings;
    for (const LogColumn& c : kLogListColumns) headings.emplace_back(c.heading);
    rows.push_back(headings);
    for (const LogRow& row : records) rows.emplace_back(row.begin(), row.end());
    WriteAligned(std::cout, rows);
  }
  return ExitStatus(read.status);
}

}  // namespace kaviro::cli
