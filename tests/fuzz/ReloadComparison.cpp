#include "ReloadComparison.h"

#include <atomic>
#include <fstream>
#include <memory>

#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "g3log/logsink.hpp"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik_fuzz {

namespace {

// Notes whether a line of a load said that the workspace is full, and
// whether one said that an error ended the load before its end.
class LoadWatch {
 public:
  LoadWatch() {
    id_ = g3::addSink([this](const g3::LogRecord& record) {
      if (record.message.find("is full") != std::string::npos) full_ = true;
      if (record.message.rfind("Error while loading the config: ", 0) == 0) stopped_ = true;
    });
  }
  ~LoadWatch() { g3::removeSink(id_); }
  LoadWatch(const LoadWatch&) = delete;
  LoadWatch& operator=(const LoadWatch&) = delete;

  // Whether a line said so since the last call.
  bool takeFull() { return full_.exchange(false); }
  bool takeStopped() { return stopped_.exchange(false); }

 private:
  g3::SinkId id_;
  std::atomic<bool> full_{false};
  std::atomic<bool> stopped_{false};
};

namespace ws = tavik::workspace;

std::vector<long long> parameterHandles() {
  std::vector<long long> handles;
  ws::Workspace::getInstance()->getAllElementsOfType(ws::element_type::kParameter, handles,
                                                      ws::memory_area::kParameters);
  return handles;
}

// Every parameter of the current workspace with its same-set-name partners,
// by name.
std::vector<std::string> setNameLinks() {
  std::vector<std::string> lines;
  for (const long long handle : parameterHandles()) {
    const ws::Parameter parameter(handle);
    std::string line = "Parameter \"" + parameter.getName() + "\" same-set-name:";
    for (const long long partner : parameter.getSameSetNameParameters())
      line += " \"" + ws::Parameter(partner).getName() + "\"";
    lines.push_back(line);
  }
  return lines;
}

std::filesystem::path writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  return file;
}

}  // namespace

ReloadComparison::ReloadComparison(std::filesystem::path dir, std::size_t workspaceBytes)
    : dir_(std::move(dir)), workspace_bytes_(workspaceBytes) {
  std::filesystem::create_directories(dir_);
}

ReloadComparison::Run ReloadComparison::run(const std::vector<Parameter>& parameters,
                                            const std::vector<Load>& loads,
                                            std::vector<tavik_test::DumpedElement>& elements,
                                            bool name) {
  Run outcome;
  tavik_test::ScopedWorkspace scope(workspace_bytes_);
  for (const Parameter& made : parameters) {
    ws::Parameter parameter(made.name);
    parameter.set(ws::parameter::Set_ChannelName, made.set_channel);
    parameter.set(ws::parameter::Set_DeviceName, made.set_device);
  }
  {
    LoadWatch watch;
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
      outcome.stopped = watch.takeStopped();
      const bool full =
          watch.takeFull() || (!loaded && ws::Workspace::getInstance()->getUsedBytes() >
                                          workspace_bytes_ / 4 * 3);
      if (full) result += " (the workspace was full)";
      if (k == 0) {
        outcome.first_filled = full;
        for (const long long handle : parameterHandles()) {
          const ws::Parameter parameter(handle);
          outcome.after_first.push_back(
              {parameter.wideName(), parameter.get<std::wstring>(ws::parameter::Set_ChannelName),
               parameter.get<std::wstring>(ws::parameter::Set_DeviceName)});
        }
      }
      outcome.results.push_back(result);
    }
  }
  if (name) elements = tavik_test::dumpedElements();
  outcome.dump = tavik_test::WorkspaceDump::of(elements);
  outcome.links = setNameLinks();
  return outcome;
}

ReloadVerdict ReloadComparison::compareWith(const std::string& a, const std::string& b,
                                            const std::vector<Sequence>& sequences) {
  const std::filesystem::path fileA = writeFile(dir_ / "a.xml", a);
  const std::filesystem::path fileB = writeFile(dir_ / "b.xml", b);
  ReloadVerdict verdict;
  std::vector<tavik_test::DumpedElement> elements;
  const Run fresh = run({}, {{fileB, false}}, elements, true);
  verdict.fresh_result = fresh.results.front();
  verdict.elements = elements.size();
  // The reference of the sequences that load B over A, and of those that
  // load B over B: made when first needed.
  std::unique_ptr<Run> references[2];
  for (const Sequence& sequence : sequences) {
    const Run other = run(
        {}, {{sequence.first_is_a ? fileA : fileB, false}, {fileB, sequence.reload}}, elements,
        false);
    if (sequence.first_is_a && other.first_filled) {
      verdict.skipped = true;
      verdict.difference.clear();
      verdict.differing.clear();
      return verdict;
    }
    std::unique_ptr<Run>& reference = references[sequence.first_is_a ? 0 : 1];
    if (!reference) {
      const std::vector<Parameter>& before =
          sequence.first_is_a ? other.after_first : fresh.after_first;
      reference.reset(new Run(run(before, {{fileB, false}}, elements, false)));
    }
    std::string difference;
    if (other.results.back() != reference->results.front()) {
      difference += "  result " + other.results.back() + ", reference " +
                    reference->results.front() + "\n";
      verdict.differing.insert("result");
    }
    // An error that ends a load (a value the workspace refuses) ends it at
    // the same step over any workspace that holds the same parameters; what
    // B defines in the steps it never reached keeps what it held before.
    const tavik_test::WorkspaceDump expected =
        reference->stopped ? reference->dump.withoutElementsAbsentIn(reference->dump)
                           : reference->dump;
    const tavik_test::WorkspaceDump actual =
        reference->stopped ? other.dump.withoutElementsAbsentIn(reference->dump) : other.dump;
    const std::set<std::string> facts =
        tavik_test::WorkspaceDump::differingFacts(expected, actual);
    verdict.differing.insert(facts.begin(), facts.end());
    difference += tavik_test::WorkspaceDump::difference(expected, actual, "the reference",
                                                        sequence.label);
    if (other.links != reference->links) {
      verdict.differing.insert("Parameter same-set-name");
      for (std::size_t k = 0; k < other.links.size() || k < reference->links.size(); ++k) {
        const std::string none = "(no parameter)";
        const std::string& want = k < reference->links.size() ? reference->links[k] : none;
        const std::string& got = k < other.links.size() ? other.links[k] : none;
        if (want == got) continue;
        difference += "  the reference: " + want + "\n  " + sequence.label + ": " + got + "\n";
        break;
      }
    }
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
