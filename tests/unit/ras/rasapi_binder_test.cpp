// The run-time binding rules, over a loader that knows which library exports what.

#include "ras/rasapi_binder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using ras::RasBindError;
using ras::RasFunctionBinder;

class FakeLoader : public ras::LibraryLoader {
 public:
  // Library name -> exported names; a library not listed cannot be loaded.
  std::map<std::string, std::set<std::string>> Libraries;
  std::vector<std::string> Calls;

  Module LoadLibraryA(const std::string& fileName) override {
    Calls.push_back("load " + fileName);
    auto it = Libraries.find(fileName);
    return it == Libraries.end() ? nullptr : const_cast<std::string*>(&it->first);
  }
  void* GetProcAddress(Module module, const std::string& name) override {
    const auto* lib = static_cast<std::string*>(module);
    Calls.push_back("get " + *lib + ":" + name);
    return Libraries[*lib].count(name) ? Address(*lib, name) : nullptr;
  }
  void FreeLibrary(Module module) override {
    Calls.push_back("free " + *static_cast<std::string*>(module));
  }
  // A distinct fake address per library and name.
  void* Address(const std::string& lib, const std::string& name) {
    return const_cast<char*>(addresses_.insert(lib + ":" + name).first->c_str());
  }

 private:
  std::set<std::string> addresses_;
};

std::string ErrorOf(RasFunctionBinder& binder, const std::string& name) {
  try {
    binder.Bind(name);
  } catch (const RasBindError& e) {
    return e.what();
  }
  return "";
}

TEST(RasFunctionBinder, ComponentBindingTriesTheExtraAThenTheNameThenTheFallback) {
  struct Case {
    const char* Title;
    std::map<std::string, std::set<std::string>> Libraries;
    std::string Name;
    std::string Found;  // "lib:name", or the error message
    bool Fallback;
  };
  const Case cases[] = {
      {"name itself in rasapi32",
       {{"rasapi32.dll", {"RasDialA"}}},
       "RasDialA",
       "rasapi32.dll:RasDialA",
       false},
      {"name + A wins",
       {{"rasapi32.dll", {"RasDialA", "RasDialAA"}}},
       "RasDialA",
       "rasapi32.dll:RasDialAA",
       false},
      {"fallback library",
       {{"rasapi32.dll", {}}, {"rnaph.dll", {"RasGetProjectionInfoA"}}},
       "RasGetProjectionInfoA",
       "rnaph.dll:RasGetProjectionInfoA",
       true},
      {"no rasapi32", {{"rnaph.dll", {"RasDialA"}}}, "RasDialA", "Error opening rasapi.dll", false},
      {"no rnaph", {{"rasapi32.dll", {}}}, "RasDialA", "Error opening rnaph.dll", false},
      {"in neither",
       {{"rasapi32.dll", {}}, {"rnaph.dll", {}}},
       "RasDialA",
       "Function RasDialA not found!",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    FakeLoader loader;
    loader.Libraries = c.Libraries;
    RasFunctionBinder binder(loader, RasFunctionBinder::Style::kComponent);
    const std::string error = ErrorOf(binder, c.Name);
    if (c.Found.find(':') != std::string::npos) {
      EXPECT_EQ(error, "");
      const auto colon = c.Found.find(':');
      EXPECT_EQ(binder.Bind(c.Name),
                loader.Address(c.Found.substr(0, colon), c.Found.substr(colon + 1)));
      EXPECT_TRUE(binder.Bound());
    } else {
      EXPECT_EQ(error, c.Found);
      EXPECT_FALSE(binder.Bound());
    }
    EXPECT_EQ(binder.FallbackBound(), c.Fallback);
  }
}

TEST(RasFunctionBinder, OnceBoundOnlyTheModuleIsRemembered) {
  FakeLoader loader;
  loader.Libraries = {{"rasapi32.dll", {"RasDialA", "RasHangUpA"}}};
  {
    RasFunctionBinder binder(loader, RasFunctionBinder::Style::kComponent);
    binder.Bind("RasDialA");
    loader.Calls.clear();
    binder.Bind("RasHangUpA");
    // No second load; the lookup runs again on every call.
    EXPECT_EQ(loader.Calls, (std::vector<std::string>{"get rasapi32.dll:RasHangUpAA",
                                                      "get rasapi32.dll:RasHangUpA"}));
    EXPECT_EQ(ErrorOf(binder, "RasDeleteEntryA"), "Function RasDeleteEntryA not found!");
    loader.Calls.clear();
  }
  EXPECT_TRUE(loader.Calls.empty()) << "the main library is never released";

  // Bound to the fallback: only the bare name is looked up there, and it is released at the end.
  loader.Libraries = {{"rasapi32.dll", {}}, {"rnaph.dll", {"RasDialA", "RasHangUpA"}}};
  {
    RasFunctionBinder binder(loader, RasFunctionBinder::Style::kComponent);
    binder.Bind("RasDialA");
    loader.Calls.clear();
    binder.Bind("RasHangUpA");
    EXPECT_EQ(loader.Calls, (std::vector<std::string>{"get rnaph.dll:RasHangUpA"}));
    loader.Calls.clear();
  }
  EXPECT_EQ(loader.Calls, (std::vector<std::string>{"free rnaph.dll"}));
}

TEST(RasFunctionBinder, AFailedBindingStartsAgainAtTheNextCall) {
  FakeLoader loader;
  RasFunctionBinder binder(loader, RasFunctionBinder::Style::kComponent);
  EXPECT_EQ(ErrorOf(binder, "RasDialA"), "Error opening rasapi.dll");
  loader.Libraries = {{"rasapi32.dll", {"RasDialA"}}};
  EXPECT_EQ(ErrorOf(binder, "RasDialA"), "");
  EXPECT_TRUE(binder.Bound());
}

TEST(RasFunctionBinder, EntryUnitTriesOnlyNamePlusAInTheMainLibrary) {
  FakeLoader loader;
  // The bare name in rasapi32 does not count for this unit: it falls back to rnaph.
  loader.Libraries = {{"rasapi32.dll", {"RasRenameEntry"}}, {"rnaph.dll", {"RasRenameEntry"}}};
  RasFunctionBinder binder(loader, RasFunctionBinder::Style::kRasUnit);
  EXPECT_EQ(binder.Bind("RasRenameEntry"), loader.Address("rnaph.dll", "RasRenameEntry"));
  EXPECT_TRUE(binder.FallbackBound());

  FakeLoader second;
  second.Libraries = {{"rasapi32.dll", {"RasRenameEntryA", "RasDeleteEntryA"}}};
  RasFunctionBinder unit(second, RasFunctionBinder::Style::kRasUnit);
  EXPECT_EQ(unit.Bind("RasRenameEntry"), second.Address("rasapi32.dll", "RasRenameEntryA"));
  second.Calls.clear();
  EXPECT_EQ(unit.Bind("RasDeleteEntry"), second.Address("rasapi32.dll", "RasDeleteEntryA"));
  EXPECT_EQ(ErrorOf(unit, "RasMissing"), "Function RasMissing not found!");
  EXPECT_EQ(second.Calls, (std::vector<std::string>{"get rasapi32.dll:RasDeleteEntryA",
                                                    "get rasapi32.dll:RasMissingA"}));
}

}  // namespace
