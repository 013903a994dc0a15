#include "ReloadComparison.h"

#include <atomic>
#include <fstream>

#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "g3log/logsink.hpp"
#include "workspace/Workspace.h"

namespace tavik_fuzz {

namespace {

// Notes whether any line of a load said that the workspace is full.
class FullnessWatch {
 public:
  FullnessWatch() {
    id_ = g3::addSink([this](const g3::LogRecord& record) {
      if (record.message.find("is full") != std::string::npos) said_ = true;
    });
  }
  ~FullnessWatch() { g3::removeSink(id_); }
  FullnessWatch(const FullnessWatch&) = delete;
  FullnessWatch& operator=(const FullnessWatch&) = delete;

  // Whether a line said so since the last call.
  bool take() { return said_.exchange(false); }

 private:
  g3::SinkId id_;
  std::atomic<bool> said_{false};
};

std::filesystem::path writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  return file;
}

}  // namespace

ReloadComparison::ReloadComparison(std::filesystem::path dir, std::size_t workspaceBytes)
    : dir_(std::move(dir)), workspace_bytes_(workspaceBytes) {
  std::filesystem::create_directories(dir_);
}

ReloadComparison::Run ReloadComparison::run(const std::vector<Load>& loads,
                                            std::vector<tavik_test::DumpedElement>& elements,
                                            bool name) {
  Run outcome;
  tavik_test::ScopedWorkspace scope(workspace_bytes_);
  {
    FullnessWatch watch;
    tavik::ConfigReader reader;
    for (std::size_t k = 0; k < loads.size(); ++k) {
      std::string result;
      bool loaded = false;
      try {
        loaded = reader.loadConfig(loads[k].file.wstring(), loads[k].reload);
        result = loaded ? "true" : "false";
      } catch (const std::exception& e) {
        result = std::string("exception ") + e.what();
      }
      const bool full =
          watch.take() || (!loaded && tavik::workspace::Workspace::getInstance()->getUsedBytes() >
                                          workspace_bytes_ / 4 * 3);
      if (full) result += " (the workspace was full)";
      if (k == 0) outcome.first_filled = full;
      outcome.results.push_back(result);
    }
  }
  if (name) elements = tavik_test::dumpedElements();
  outcome.dump = tavik_test::WorkspaceDump::of(elements);
  return outcome;
}

ReloadVerdict ReloadComparison::compareWith(const std::string& a, const std::string& b,
                                            const std::vector<Sequence>& sequences) {
  const std::filesystem::path fileA = writeFile(dir_ / "a.xml", a);
  const std::filesystem::path fileB = writeFile(dir_ / "b.xml", b);
  ReloadVerdict verdict;
  std::vector<tavik_test::DumpedElement> elements;
  const Run fresh = run({{fileB, false}}, elements, true);
  verdict.fresh_result = fresh.results.front();
  verdict.elements = elements.size();
  for (const Sequence& sequence : sequences) {
    const Run other = run({{sequence.first_is_a ? fileA : fileB, false}, {fileB, sequence.reload}},
                          elements, false);
    if (sequence.first_is_a && other.first_filled) {
      verdict.skipped = true;
      verdict.difference.clear();
      verdict.differing.clear();
      return verdict;
    }
    // The fresh load's result stands against the second load's.
    std::string difference;
    if (other.results.back() != fresh.results.front()) {
      difference += "  result " + other.results.back() + ", fresh " + fresh.results.front() + "\n";
      verdict.differing.insert("result");
    }
    const std::set<std::string> facts =
        tavik_test::WorkspaceDump::differingFacts(fresh.dump, other.dump);
    verdict.differing.insert(facts.begin(), facts.end());
    difference += tavik_test::WorkspaceDump::difference(fresh.dump, other.dump, "the fresh load",
                                                        sequence.label);
    if (difference.empty()) continue;
    verdict.difference += std::string(sequence.label) + " (loads: " + other.results.front() + ", " +
                          other.results.back() + "):\n" + difference;
  }
  return verdict;
}

ReloadVerdict ReloadComparison::compare(const std::string& a, const std::string& b) {
  return compareWith(a, b,
                     {{"A then B (reload false)", true, false},
                      {"A then B (reload true)", true, true},
                      {"B then B (reload true)", false, true}});
}

ReloadVerdict ReloadComparison::compareOne(const std::string& a, const std::string& b,
                                           bool reload) {
  return compareWith(
      a, b, {{reload ? "A then B (reload true)" : "A then B (reload false)", true, reload}});
}

}  // namespace tavik_fuzz
