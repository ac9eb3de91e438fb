#include "server/list_commands.h"

#include <filesystem>
#include <memory>

#include "server/constants.h"
#include "server/export_format.h"
#include "server/store/mailing_list.h"
#include "server/store/open_store.h"

namespace brevolt::signup {
namespace {

constexpr int kFailed = 1;

int failed(std::ostream& err, const std::exception& error) {
  err << kProgramName << ": " << error.what() << '\n';
  return kFailed;
}

}  // namespace

std::unique_ptr<SignupStore> open_existing(const Options& options) {
  if (!names_postgres(options.db_path) && !std::filesystem::exists(options.db_path)) {
    throw StoreError("no database at '" + options.db_path + "'");
  }
  return open_store(options.db_path, {kDefaultBusyTimeout, 1});
}

int run_export(const Options& options, std::ostream& out, std::ostream& err) {
  try {
    const auto store = open_existing(options);
    ExportWriter writer(out, options.export_json ? ExportFormat::Json : ExportFormat::Csv);
    store->list().export_people([&](const PersonRecord& person) { writer.write(person); });
    writer.finish();
    out.flush();
    return 0;
  } catch (const std::exception& error) {
    return failed(err, error);
  }
}

int run_erase(const Options& options, std::ostream& out, std::ostream& err) {
  try {
    const auto store = open_existing(options);
    const auto removed = store->list().erase(options.erase_email);
    out << "removed " << removed << (removed == 1 ? " person" : " people") << '\n';
    // The tables are vacuumed; what the database server copied elsewhere is
    // beyond this connection's reach, and the maker must know it.
    if (removed > 0 && names_postgres(options.db_path)) {
      out << "PostgreSQL's own copies still hold them until they expire: its write-ahead log "
             "until recycled, WAL archives, base backups and replicas' logs\n";
    }
    return 0;
  } catch (const std::exception& error) {
    return failed(err, error);
  }
}

}  // namespace brevolt::signup
