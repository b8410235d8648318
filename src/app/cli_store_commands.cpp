// check and rebuild: the integrity check of a fileblock's files in the
// current folder, and their reorganisation with fresh indexes.
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "app/cli_commands.h"
#include "app/cli_layouts.h"
#include "store/file_block_opener.h"
#include "app/cli_output.h"
#include "store/file_manager.h"
#include "store/store_check.h"

namespace vek::cli {
namespace {

using store::CheckResult;

std::string BaseName(const std::string& name) { return name.substr(0, name.find('.')); }

void PutCheck(Output& out, const std::string& name, const CheckResult& r) {
  out.Text("name", name);
  out.Bool("clean", r.clean);
  out.Integer("record_length", r.record_length);
  out.Integer("records_in_use", r.records_in_use);
  out.Integer("deleted", r.deleted);
  out.Bool("being_changed", r.being_changed);
  nlohmann::ordered_json keys = nlohmann::ordered_json::array();
  std::string shown;
  for (std::size_t k = 0; k < r.keys.size(); ++k) {
    const store::CheckedKey& c = r.keys[k];
    keys.push_back({{"key", k + 1},
                    {"length", c.length},
                    {"duplicates", c.duplicates},
                    {"entries", c.entries},
                    {"depth", c.depth},
                    {"pages", c.pages},
                    {"free_pages", c.free_pages}});
    shown += "\n  key " + std::to_string(k + 1) + ": length " + std::to_string(c.length) +
             (c.duplicates ? ", duplicates" : ", unique") + ", entries " + std::to_string(c.entries) + ", depth " +
             std::to_string(c.depth) + ", pages " + std::to_string(c.pages) + ", free pages " +
             std::to_string(c.free_pages);
  }
  out.Value("keys", keys, shown);
  nlohmann::ordered_json problems = nlohmann::ordered_json::array();
  std::string listed;
  for (const std::string& p : r.problems) {
    problems.push_back(p);
    listed += "\n  " + p;
  }
  out.Value("problems", problems, listed.empty() ? "none" : listed);
}

int RunCheck(const CommandContext& ctx, const std::string& raw_name) {
  Output out(ctx.json);
  const std::string name = BaseName(raw_name);
  const auto layout = KnownLayout(name);
  const CheckResult r = store::CheckFiles(store::RealFileSystem(), name, layout ? &layout->builder : nullptr);
  if (!r.files_found) {
    return out.Abort(name + ".DAT cannot be read in this folder");
  }
  PutCheck(out, name, r);
  out.Print(std::cout);
  return r.clean ? 0 : 1;
}

// Without the owner's key builder the records keep the keys their index
// entries had; a record that no entry of some index names cannot be keyed,
// and then nothing is touched.
int RunRebuild(const CommandContext& ctx, const std::string& raw_name) {
  Output out(ctx.json);
  const std::string name = BaseName(raw_name);
  store::OsFileSystem& fs = store::RealFileSystem();
  auto fail = [&](const std::string& message) { return out.Abort(message); };
  const CheckResult before = store::CheckFiles(fs, name);
  if (!before.files_found || before.record_length < 21) return fail(name + ".DAT cannot be read in this folder");
  if (const auto layout = KnownLayout(name)) {
    // A file of the suite: its own key builder makes every key anew.
    if (layout->record_length != before.record_length)
      return fail(name + " has records of " + std::to_string(before.record_length) + " bytes, not " +
                  std::to_string(layout->record_length) + ". Nothing was changed.");
    store::StoreEnvironment env;
    Text stop;
    env.shutdown = [&](const store::StopReport& r) { stop = r.message; };
    store::FileManager fm(env);
    if (fm.InitFileManager() != 0) return fail("the record store cannot start");
    store::FileBlockOpener opener(fm);
    store::FileBlock* fb = opener.Open(*layout);
    if (!fb || fm.RebuildFileBlock(fb) != 0)
      return fail("rebuild failed: " + (stop.empty() ? "store status " + std::to_string(fm.Status()) : stop));
    fm.ExitFileManager();
    const CheckResult after = store::CheckFiles(fs, name, &layout->builder);
    out.Bool("rebuilt", true);
    out.Integer("records_before", before.records_in_use);
    PutCheck(out, name, after);
    out.Print(std::cout);
    return after.clean ? 0 : 1;
  }
  const int key_count = before.key_count;
  if (static_cast<int>(before.keys.size()) != key_count)
    return fail("the index file " + name + ".IX is missing or unreadable; without the layout of this file its " +
                "keys cannot be rebuilt. Nothing was changed.");

  std::vector<std::uint8_t> dat;
  {
    std::int32_t error = 0;
    auto f = fs.Open(name + ".DAT", false, error);
    std::uint64_t size = 0;
    if (!f || f->Size(size)) return fail(name + ".DAT cannot be read");
    dat.resize(size);
    if (f->ReadAt(0, dat).bytes != dat.size()) return fail(name + ".DAT cannot be read");
  }
  const auto L = static_cast<std::size_t>(before.record_length);
  std::vector<std::unordered_map<std::string, store::Key>> keys(static_cast<std::size_t>(key_count) + 1);
  for (int k = 1; k <= key_count; ++k) {
    for (const auto& [record, key] : store::SalvageKeys(fs, name, k)) {
      if (record < 1 || (static_cast<std::size_t>(record) + 1) * L > dat.size()) continue;
      keys[k][std::string(reinterpret_cast<const char*>(dat.data()) + record * L, L)] = key;
    }
    for (std::size_t n = 1; (n + 1) * L <= dat.size(); ++n) {
      const std::string record(reinterpret_cast<const char*>(dat.data()) + n * L, L);
      if (record.compare(0, 4, std::string(4, '\0')) == 0 && !keys[k].count(record))
        return fail("index " + std::to_string(k) + " of " + name +
                    " has lost the key of record " + std::to_string(n) +
                    "; without the layout of this file it cannot be rebuilt. Nothing was changed.");
    }
  }

  store::StoreEnvironment env;
  Text stop;
  env.shutdown = [&](const store::StopReport& r) { stop = r.message; };
  store::FileManager fm(env);
  if (fm.InitFileManager() != 0) return fail("the record store cannot start");
  auto builder = [&keys](ConstBytes record, int k) {
    const auto it = keys[k].find(std::string(reinterpret_cast<const char*>(record.data()), record.size()));
    return it == keys[k].end() ? store::Key() : it->second;
  };
  store::FileBlock* fb = fm.OpenFileBlock(name, name, before.record_length, before.record_length, nullptr,
                                          key_count, builder);
  for (int k = 1; fb && k <= key_count; ++k)
    fm.DefineKey(fb, k, before.keys[k - 1].length, before.keys[k - 1].duplicates);
  if (!fb || fm.RebuildFileBlock(fb) != 0) return fail("rebuild failed: " + (stop.empty() ? "store status " +
                                                       std::to_string(fm.Status()) : stop));
  fm.ExitFileManager();
  const CheckResult after = store::CheckFiles(fs, name);
  out.Bool("rebuilt", true);
  out.Integer("records_before", before.records_in_use);
  PutCheck(out, name, after);
  out.Print(std::cout);
  return after.clean ? 0 : 1;
}

}  // namespace

void RegisterStoreCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("check", "Check the record and index files NAME.DAT/NAME.IX of this folder");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "file name without extension, e.g. QVKK")->required();
    cmd->footer(
        "Keys: name, clean, record_length, records_in_use, deleted, being_changed,\n"
        "      keys (key, length, duplicates, entries, depth, pages, free_pages), problems.\n"
        "      Exit code 0 when clean, 1 otherwise.");
    cmd->callback([&ctx, name] { ctx.result = RunCheck(ctx, *name); });
  }
  {
    auto* cmd = app.add_subcommand("rebuild", "Reorganise NAME.DAT and build its indexes anew");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "file name without extension")->required();
    cmd->footer(
        "Keys: rebuilt, records_before, then those of check. Records a unique index refuses are\n"
        "      reported in NAME.MSG. Exit code 1 when the rebuild cannot be done or the result\n"
        "      is not clean.");
    cmd->callback([&ctx, name] { ctx.result = RunRebuild(ctx, *name); });
  }
}

}  // namespace vek::cli
