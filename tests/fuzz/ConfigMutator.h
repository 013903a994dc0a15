// Test helper: pairs of measurement configurations (A, B) where B is an edit
// of A, the way a bench user changes a configuration between two loads, for
// the reload comparison (ReloadComparison.h).
//
// ConfigMutator applies one edit, picked by a stream of choices (Choices of
// ConfigGenerator.h: a seeded random generator, or the fuzzer's bytes), to a
// configuration document. The edits cover every kind of element a load
// builds: maps (axis values, extrapolation, limits, input parameters, renamed,
// removed, added, an option's "Map:" value), test plans (rows, parameter
// columns, a "Result" parameter, order, category, removed, added), actions
// (comment, every option type's values and controls, option type, options
// added, removed and reordered, flags, "MaxLoop", ports, link points),
// channel tables, sequences (start action, actions, frames, comments,
// category), action groups (inner actions, nested groups, exit ports, data;
// an action wrapped into a group of its name and a group unwrapped into an
// action, in sequences and in group bodies), the test plan a sequence is
// bound to, parameters that share a set channel, and references (selector,
// channel table, SetParam, throttle, control-mode request) to a parameter
// that only the other file of a pair defines. An edit that finds nothing of
// its kind in the document passes to the next kind; every kind either edits
// or passes, so mutate() always ends.
// Deterministic for given choices.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "ConfigGenerator.h"

namespace tavik_fuzz {

class ConfigMutator {
 public:
  explicit ConfigMutator(Choices& choices) : c_(choices) {}

  // Applies one edit to the document's MeasurementDefinition and says what
  // it did: "<kind>: <detail>". Empty when no kind found anything to edit
  // (or the document has no MeasurementDefinition).
  std::string mutate(pugi::xml_document& document);

  // Applies one edit that adds what a load builds elements of (an action, an
  // option, a test plan, a sequence) and says what it did, as mutate() does.
  std::string grow(pugi::xml_document& document);

  // The kinds of edits, as mutate() names them before the colon.
  static std::vector<std::string> kinds();

 private:
  class Edits;
  Choices& c_;
};

// The document as configuration text (no declaration, no indentation).
std::string configurationText(const pugi::xml_document& document);

// One pair: the two documents and how they came to be.
struct ConfigPair {
  std::string a, b;
  std::string origin;              // the seed and the edits made to it first
  std::vector<std::string> edits;  // the edits that make the other document of it
  bool swapped = false;            // B is the origin and A the edited one

  // "A is <origin>; B is A with: ..." (or the other way round), one edit a line.
  std::string describe() const;
};

// A pair from the choices: A is one of `seeds` (name and text) or, when there
// are none or by chance, a generated configuration (ConfigGenerator, Loadable
// flavour), with up to two edits of its own, after growing (grow()) while it
// builds few elements; B is A with one to three further edits, more while B's
// text is A's. By chance the roles are swapped, so that a load meets the
// removal of what an edit adds as well as its addition. Most pairs (about 19
// in 20) thus differ, load on their own and build enough elements to compare.
ConfigPair generatePair(const std::vector<std::pair<std::string, std::string>>& seeds,
                        Choices& choices);

}  // namespace tavik_fuzz
